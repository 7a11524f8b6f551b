#pragma once

#include <string>

namespace qx {

struct VmSettings;

// Loads the JVM library (with its bin folder added to the DLL search directories) and resolves the
// invocation entry points into `vm`. Reports the failure and returns false when the library or
// one of the two required exports is missing. The library is never freed.
[[nodiscard]] bool loadVmLibrary(VmSettings& vm, const std::wstring& libraryPath);

}  // namespace qx
