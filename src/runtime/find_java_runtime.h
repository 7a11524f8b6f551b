#pragma once

namespace qx {

struct Launcher;

// Tries the configured runtime folder, the private runtime beside the executable, the registry and
// JAVA_HOME, in that order; true when jvmLibraryPath was set (relaunchAsPair is then valid).
bool findJavaRuntime(Launcher& launcher);

}  // namespace qx
