#include "config/configuration.h"
#include "config/module_path.h"
#include "config/settings_paths.h"
#include "diag/trace.h"
#include "launch/choose_runtime.h"
#include "launch/command_line.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/single_instance.h"
#include "runtime/find_java_runtime.h"

namespace qx {

bool initialize(Launcher& launcher) {
    buildArguments(launcher.arguments);
    if (!moduleFilePath(launcher.executablePath)) return false;
    if (!loadConfiguration(launcher, launcher.executablePath)) return false;
    if (!setupSingleInstance(launcher)) return false;
    // A second start has handed its arguments over: it needs no runtime.
    if (launcher.singleInstance && !launcher.isPrimary) return true;
    if (launcher.overrideWorkingDir) setWorkingDirectoryToModuleDir(launcher.executablePath);
    if (findJavaRuntime(launcher, launcher, RuntimePlaces{launcher.executablePath})) return true;
    if (askForMissingRuntime(launcher)) return true;
    trace(L"no runtime found, and none chosen");
    return false;
}

}  // namespace qx
