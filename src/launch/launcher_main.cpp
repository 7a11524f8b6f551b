#include "launch/launcher_main.h"

#include <windows.h>

#include <string>

#include "diag/error_sink.h"
#include "diag/trace.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "launch/service_host.h"

namespace qx {
namespace {

// Every way out of the launch passes through here, so the trace always ends with the exit code.
int32_t traceExitCode(int32_t code) {
    if (traceOn()) trace(L"exit code " + std::to_wstring(code));
    return code;
}

}  // namespace

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
    if (!qx::initialize(launcher)) return traceExitCode(-1);
    if (!launcher.isService) return traceExitCode(qx::run(launcher));
    const int32_t result = traceExitCode(qx::runServiceDispatcher(launcher, serviceIdentity, serviceHost));
    // The dispatcher returns as soon as STOPPED has been reported, while the thread that reported it (the
    // service thread, or the VM's exit hook) is still on its way out, and a stop thread may be held for
    // good by a VM that has gone. Ending the process here stops them all before anything they use goes.
    ExitProcess(static_cast<UINT>(result));
}

}  // namespace qx
