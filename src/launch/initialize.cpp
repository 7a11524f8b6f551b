#include <windows.h>

#include "config/configuration.h"
#include "config/settings_paths.h"
#include "launch/command_line.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/single_instance.h"
#include "runtime/find_java_runtime.h"
#include "runtime/missing_runtime.h"

namespace qx {

bool initialize(Launcher& launcher) {
    buildArguments(launcher);
    if (!loadConfiguration(launcher)) return false;
    if (!setupSingleInstance(launcher)) return false;
    // A second start has handed its arguments over: it needs no runtime.
    if (launcher.singleInstance && !launcher.isPrimary) return true;
    if (launcher.overrideWorkingDir) setWorkingDirectoryToModuleDir();
    if (findJavaRuntime(launcher)) return true;
    return askForMissingRuntime(launcher);
}

}  // namespace qx
