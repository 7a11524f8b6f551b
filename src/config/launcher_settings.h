// Opens the launcher's settings the way every reader does: the settings file beside the executable
// over the embedded settings text.
#pragma once

#include "config/layered_store.h"

namespace qx {

struct Launcher;

// Points `store` at the settings file and fills its text side with the embedded settings text for
// launcher.upgradeCode. False (store untouched) when no settings file path can be formed; the module
// path failure has then written its error line.
bool openLauncherSettings(const Launcher& launcher, LayeredStore& store);

}  // namespace qx
