#include <windows.h>

#include "config/configuration.h"
#include "config/settings_paths.h"
#include "launch/command_line.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "runtime/find_java_runtime.h"

namespace qx {

bool initialize(Launcher& launcher) {
    buildArguments(launcher);
    if (!loadConfiguration(launcher)) return false;
    if (launcher.overrideWorkingDir) setWorkingDirectoryToModuleDir();
    if (findJavaRuntime(launcher)) return true;
    // No runtime and, until the user can pick one, no way on.
    return false;
}

}  // namespace qx
