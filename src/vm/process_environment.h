#pragma once

#include <string>

namespace qx {

struct VmSettings;

// Publishes the chosen runtime (QX_JVM_PATH, QX_JVM_HOME) and the executable's folder (QX_EXE_DIR) to
// the process, passes the configured native library folders to the VM as -Djava.library.path= and puts
// "System Path" and the runtime's bin folder on Path. Runs once, before the JVM library is loaded; failures
// leave a variable as it was. `jvmLibraryPath` is the chosen runtime's library, `executablePath` the
// launcher's own path.
void prepareProcessEnvironment(VmSettings& vm, const std::wstring& jvmLibraryPath,
                               const std::wstring& executablePath);

}  // namespace qx
