// Opens the launcher's settings the way every reader does: the settings file beside the executable
// over the embedded settings text.
#pragma once

#include <string>

#include "config/layered_store.h"

namespace qx {

// Points `store` at the settings file beside `executablePath` and fills its text side with the
// embedded settings text for `upgradeCode`. False (store untouched) when the path has no ".".
[[nodiscard]] bool openLauncherSettings(const std::wstring& executablePath, const std::wstring& upgradeCode,
                                        LayeredStore& store);

}  // namespace qx
