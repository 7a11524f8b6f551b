#include "launch/choose_runtime.h"

#include <windows.h>

#include "base/last_error.h"
#include "config/ini_file_store.h"
#include "config/settings_keys.h"
#include "config/settings_paths.h"
#include "diag/interactive_desktop.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "launch/launcher.h"
#include "runtime/missing_runtime.h"
#include "runtime/missing_runtime_dialog.h"
#include "runtime/requirement_text.h"
#include "runtime/runtime_architecture.h"

namespace qx {
namespace {

void storeJrePath(const std::wstring& file, const std::wstring& folder) {
    if (file.empty()) return;  // the profile functions would take an empty name as WIN.INI
    IniFileStore(file).setValue(key::kJrePath.section, key::kJrePath.name, folder);
}

}  // namespace

bool askForMissingRuntime(Launcher& launcher) {
    const auto noDialog = [&] {
        const PreserveLastError keep;
        reportError(kMsgNoDesktopForRuntime,
                    {buildRequirementText(launcher.minimumVersion, launcher.maximumVersion)});
        return false;
    };
    if (!hasInteractiveDesktop()) return noDialog();

    MissingRuntimeDialog dialog(missingRuntimeMessage(launcher), launcher.jvmType);
    const INT_PTR result = dialog.run(GetActiveWindow());
    // -1: no window could be made (no display); 0: the owner was not a window.
    if (result == -1 || result == 0) return noDialog();
    if (result != IDOK) return false;

    launcher.jvmLibraryPath = dialog.jvmLibraryPath();
    checkRuntimeArchitecture(launcher, launcher);
    rememberJrePath(launcher, dialog.chosenFolder());
    return true;
}

void rememberJrePath(const Launcher& launcher, const std::wstring& folder) {
    std::wstring ownSettings;
    if (!settingsPathFor(launcher.executablePath, ownSettings)) return;
    // A launcher that never starts the companion keeps its choice to itself: the folder holds a runtime
    // the companion could not host.
    const bool forPair = kHandsX86RuntimesToPair && !launcher.pairProduct.empty();
    if (!launcher.isService) {
        storeJrePath(userSettingsPathFor(launcher.executablePath, launcher, true), folder);
        if (forPair) storeJrePath(pairUserSettingsFilePath(launcher, launcher.pairProduct), folder);
        return;
    }
    storeJrePath(ownSettings, folder);
    std::wstring pairSettings;
    if (forPair &&
        pairSettingsFilePath(pairProductPath(launcher.pairProduct, launcher.executablePath), pairSettings))
        storeJrePath(pairSettings, folder);
}

}  // namespace qx
