#include <windows.h>

#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/service_host.h"

int wmain() {
    qx::Launcher launcher;
    // The service callbacks reach these through process-wide pointers; they go before the launcher.
    qx::ServiceStatusBlock serviceStatus;
    qx::ServiceHost serviceHost(serviceStatus, launcher);
    qx::ServiceIdentity serviceIdentity;
    // Every 8-bit conversion uses the thread's ANSI code page: make it the system default's.
    SetThreadLocale(GetSystemDefaultLCID());
    int32_t result = -1;
    if (qx::initialize(launcher)) {
        result = launcher.isService ? qx::runServiceDispatcher(launcher, serviceIdentity, serviceHost)
                                    : qx::run(launcher);
    }
    return result;
}
