#include "launch/launcher.h"

#include "launch/single_instance.h"
#include "vm/vm_host.h"

namespace qx {

Launcher::Launcher() { gLauncher = this; }

Launcher::~Launcher() {
    // No request may start attaching to the VM once it is going.
    stopHandoffs(*this);
    // Outside service mode this waits for the application's remaining non-daemon threads.
    destroyVm(*this);
    releaseSingleInstance(*this);
    if (gLauncher == this) gLauncher = nullptr;
}

}  // namespace qx
