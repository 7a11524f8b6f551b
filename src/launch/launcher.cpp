#include "launch/launcher.h"

#include "launch/single_instance.h"

namespace qx {

Launcher::Launcher() { gLauncher = this; }

Launcher::~Launcher() {
    // Outside service mode this waits for the application's remaining non-daemon threads.
    if (javaVm) {
        javaVm->DestroyJavaVM();
        javaVm = nullptr;
    }
    releaseSingleInstance(*this);
    if (gLauncher == this) gLauncher = nullptr;
}

}  // namespace qx
