#include <windows.h>

#include "base/scoped.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/relaunch.h"
#include "launch/single_instance.h"
#include "vm/jdk11_init_args.h"
#include "vm/vm_host.h"
#include "vm/vm_library.h"
#include "vm/vm_options.h"
#include "vm/process_environment.h"

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

int32_t runNormal(Launcher& launcher) {
    prepareProcessEnvironment(launcher);
    if (!loadVmLibrary(launcher, launcher.jvmLibraryPath)) return -1;
    assembleVmOptions(launcher);
    if (launcher.threadStackSize == 0) launcher.threadStackSize = defaultThreadStackSize(launcher);

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
    const MainResult result = runMainClass(launcher);
    if (result == MainResult::Failed) return -1;
    if (launcher.isService && launcher.javaVm) {
        launcher.javaVm->DestroyJavaVM();
        launcher.javaVm = nullptr;
    }
    return result == MainResult::Threw ? 1 : 0;
}

}  // namespace

int32_t run(Launcher& launcher) {
    if (launcher.relaunchAsPair) return relaunchPairProduct(launcher);
    if (launcher.singleInstance && !launcher.isPrimary) return waitForPrimary(launcher);
    return runNormal(launcher);
}

}  // namespace qx
