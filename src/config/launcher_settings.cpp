#include "config/launcher_settings.h"

#include "config/embedded_settings.h"
#include "config/settings_paths.h"

namespace qx {

bool openLauncherSettings(const std::wstring& executablePath, const std::wstring& upgradeCode,
                          LayeredStore& store) {
    std::wstring path;
    if (!settingsPathFor(executablePath, path)) return false;
    store.setPath(path);
    store.parseText(loadEmbeddedSettingsText(upgradeCode));
    return true;
}

}  // namespace qx
