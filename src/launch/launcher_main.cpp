#include "launch/launcher_main.h"

#include <windows.h>

#include "diag/error_sink.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/service_host.h"

namespace qx {

int runLauncher(LauncherKind kind) {
    // No later load may search the working folder, which whoever starts the launcher chooses; the PATH
    // search that the application's own native libraries rely on stays.
    SetDllDirectoryW(L"");
    qx::Launcher launcher;
    if (kind == LauncherKind::Windowed) {
        // Read only when an error is shown; the name is known once the settings have been read.
        useWindowedErrorOutput([&launcher] { return launcher.productName; });
        launcher.showExceptionDialog = 1;
    }
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

}  // namespace qx
