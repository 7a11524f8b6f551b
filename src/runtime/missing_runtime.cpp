#include "runtime/missing_runtime.h"

#include <windows.h>

#include "config/ini_file_store.h"
#include "config/settings_paths.h"
#include "diag/format_message.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "runtime/java_version.h"
#include "runtime/missing_runtime_dialog.h"

namespace qx {
namespace {

void storeJrePath(const std::wstring& file, const std::wstring& folder) {
    if (file.empty()) return;  // the profile functions would take an empty name as WIN.INI
    IniFileStore(file).setValue(L"Java Runtime Environment", L"JRE Path", folder);
}

}  // namespace

std::wstring missingRuntimeMessage(const Launcher& launcher) {
    const unsigned id = launcher.jvmType == 1 ? kMsgJreNotFoundServer : kMsgJreNotFound;
    return formatMessage(loadMessage(id),
                         {buildRequirementText(launcher.minimumVersion, launcher.maximumVersion)});
}

bool hasInteractiveDesktop() {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    // Only a station that cannot be queried at all is given the benefit of the doubt.
    if (!GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool askForMissingRuntime(Launcher& launcher) {
    const auto noDialog = [&] {
        const DWORD error = GetLastError();
        reportError(kMsgNoDesktopForRuntime,
                    {buildRequirementText(launcher.minimumVersion, launcher.maximumVersion)});
        SetLastError(error);
        return false;
    };
    if (!hasInteractiveDesktop()) return noDialog();

    MissingRuntimeDialog dialog(missingRuntimeMessage(launcher), launcher.jvmType);
    const INT_PTR result = dialog.run(GetActiveWindow());
    // -1: no window could be made (no display); 0: the owner was not a window.
    if (result == -1 || result == 0) return noDialog();
    if (result != IDOK) return false;

    launcher.jvmLibraryPath = dialog.jvmLibraryPath();
    checkRuntimeArchitecture(launcher);
    rememberJrePath(launcher, dialog.chosenFolder());
    return true;
}

void rememberJrePath(const Launcher& launcher, const std::wstring& folder) {
    std::wstring ownSettings;
    if (!settingsFilePath(ownSettings)) return;
    if (!launcher.isService) {
        storeJrePath(userSettingsFilePath(launcher, true), folder);
        if (!launcher.pairProduct.empty()) storeJrePath(pairUserSettingsFilePath(launcher), folder);
        return;
    }
    storeJrePath(ownSettings, folder);
    std::wstring pairSettings;
    if (pairSettingsFilePath(launcher, pairSettings)) storeJrePath(pairSettings, folder);
}

}  // namespace qx
