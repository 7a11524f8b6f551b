#pragma once

#include <windows.h>

#include <string>

namespace qx {

struct VmSettings;

// Loads the JVM library (with its bin folder added to the DLL search directories) and resolves the
// invocation entry points into `vm`. Reports the failure and returns false when the library or
// one of the two required exports is missing. The library is never freed.
[[nodiscard]] bool loadVmLibrary(VmSettings& vm, const std::wstring& libraryPath);

// Loads a library of the runtime the way the JVM library is loaded: its dependencies come from its
// own folder, the runtime's bin folder (added by loadVmLibrary) and the system folder, never from the
// launcher's folder. Null with the last error set on failure.
HMODULE loadRuntimeLibrary(const std::wstring& libraryPath);

}  // namespace qx
