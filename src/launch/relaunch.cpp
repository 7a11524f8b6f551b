#include "launch/relaunch.h"

#include <windows.h>

#include <string>

#include "base/scoped.h"
#include "config/settings_paths.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "launch/launcher.h"

namespace qx {

int32_t relaunchPairProduct(Launcher& launcher) {
    const wchar_t* own = GetCommandLineW();
    // CreateProcessW may write into the command line, so it gets a copy.
    std::wstring commandLine = own ? own : L"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::wstring pairProduct = pairProductPath(launcher.pairProduct, launcher.executablePath);
    if (!CreateProcessW(pairProduct.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        // Nothing would run the application, so this start has failed whatever "Pair Return Code" says.
        const DWORD error = GetLastError();
        reportError(kMsgPairStartFailed, {pairProduct, error});
        return -1;
    }
    UniqueHandle child(process.hProcess), thread(process.hThread);
    if (!launcher.pairReturnCode) return 0;
    WaitForSingleObject(child.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    return static_cast<int32_t>(code);
}

}  // namespace qx
