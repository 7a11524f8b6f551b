#include "config/launcher_settings.h"

#include "config/embedded_settings.h"
#include "config/settings_paths.h"
#include "launch/launcher.h"

namespace qx {

bool openLauncherSettings(const Launcher& launcher, LayeredStore& store) {
    std::wstring path;
    if (!settingsFilePath(path)) return false;
    store.setPath(path);
    store.parseText(loadEmbeddedSettingsText(launcher.upgradeCode));
    return true;
}

}  // namespace qx
