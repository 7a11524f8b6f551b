#include <windows.h>

#include "base/scoped.h"
#include "config/launcher_settings.h"
#include "config/settings_keys.h"
#include "config/vm_option_settings.h"
#include "diag/trace.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/relaunch.h"
#include "launch/single_instance.h"
#include "vm/jdk11_init_args.h"
#include "vm/process_environment.h"
#include "vm/signed_executable.h"
#include "vm/splash_screen.h"
#include "vm/vm_host.h"
#include "vm/vm_library.h"
#include "vm/vm_options.h"

namespace qx {
namespace {

// The default stack size the runtime reports for a JDK 1.1 style request; 0 when it gives none.
uint64_t defaultThreadStackSize(Launcher& launcher) {
    JDK1_1InitArgs args{};
    args.version = JNI_VERSION_1_1;
    launcher.getDefaultInitArgs(&args);
    return args.javaStackSize > 0 ? static_cast<uint64_t>(args.javaStackSize) : 0;
}

int32_t exitCodeOf(DWORD vmThreadResult) {
    switch (vmThreadResult) {
        case kVmThreadOk:
            return 0;
        case kVmThreadUncaught:
            return 1;  // as the Java launcher does for an uncaught exception
        default:
            return -1;
    }
}

// The option pass over the launcher's own settings: the file beside the executable and the embedded
// text, with the executable as the class path's anchor. Returns the "Splash Image" setting, read from
// the same store so that the settings are opened once.
std::wstring assembleLauncherVmOptions(Launcher& launcher) {
    LayeredStore settings;
    if (!openLauncherSettings(launcher.executablePath, launcher.upgradeCode, settings)) return {};
    VmOptionContext context;
    context.executablePath = launcher.executablePath;
    context.memory = queryMachineMemory;
    context.markDpiAware = [] { SetProcessDPIAware(); };
    // An empty class path has been reported (message 209); the VM still starts, as without the pass.
    static_cast<void>(assembleVmOptions(launcher, readVmOptionSettings(settings), context));
    return settings.value(key::kSplashImage);
}

// In service mode the VM goes on the VM thread, right after main; elsewhere at the launcher's end.
void destroyServiceVm(Launcher& launcher) {
    if (launcher.isService) destroyVm(launcher);
}

DWORD WINAPI vmThreadMain(LPVOID param) {
    auto* launcher = static_cast<Launcher*>(param);
    if (!launcher) return kVmThreadFailed;
    if (!createVm(*launcher)) return kVmThreadFailed;
    const MainResult result = runMainClass(*launcher, staysAttachedToVm(*launcher));
    if (result == MainResult::Failed) return kVmThreadFailed;
    destroyServiceVm(*launcher);
    return result == MainResult::Threw ? kVmThreadUncaught : kVmThreadOk;
}

int32_t runNormal(Launcher& launcher) {
    prepareProcessEnvironment(launcher, launcher.jvmLibraryPath, launcher.executablePath);
    if (!loadVmLibrary(launcher, launcher.jvmLibraryPath)) return -1;
    const std::wstring splashImage = assembleLauncherVmOptions(launcher);
    if (!signatureCoversClassPath(launcher.vmOptions, launcher.executablePath)) return -1;
    if (launcher.threadStackSize == 0) launcher.threadStackSize = defaultThreadStackSize(launcher);
    showSplashScreen(launcher, launcher.jvmLibraryPath, {splashImage, launcher.executablePath});

    UniqueHandle thread(CreateThread(nullptr, static_cast<SIZE_T>(launcher.threadStackSize), vmThreadMain,
                                     &launcher, 0, nullptr));
    if (thread) {
        WaitForSingleObject(thread.get(), INFINITE);
        DWORD code = kVmThreadFailed;
        GetExitCodeThread(thread.get(), &code);
        return exitCodeOf(code);
    }
    // No thread: the same work on this one.
    if (!createVm(launcher)) return -1;
    const MainResult result = runMainClass(launcher, staysAttachedToVm(launcher));
    if (result == MainResult::Failed) return -1;
    destroyServiceVm(launcher);
    return result == MainResult::Threw ? 1 : 0;
}

}  // namespace

int32_t run(Launcher& launcher) {
    if (launcher.relaunchAsPair) {
        trace(L"run mode: relaunch through the pair product " + launcher.pairProduct);
        return relaunchPairProduct(launcher);
    }
    if (launcher.singleInstance && !launcher.isPrimary) {
        trace(L"run mode: second start (arguments handed to the running instance)");
        return waitForPrimary(launcher);
    }
    trace(launcher.isService ? L"run mode: service" : L"run mode: normal");
    return runNormal(launcher);
}

}  // namespace qx
