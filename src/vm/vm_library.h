#pragma once

#include <string>

namespace qx {

struct Launcher;

// Loads the JVM library (with its bin folder added to the DLL search directories) and resolves the
// invocation entry points into the launcher. Reports the failure and returns false when the library or
// one of the two required exports is missing. The library is never freed.
bool loadVmLibrary(Launcher& launcher, const std::wstring& libraryPath);

}  // namespace qx
