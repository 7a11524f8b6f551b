// Splash images: the formats the runtime's splash library shows, told by a file's first bytes, and the
// image a "Splash Image" setting names, looked up on this machine for `qxpack check`.
#pragma once

#include <string>

#include "core/byte_io.h"
#include "settings/settings_lint.h"

namespace qxpack {

// PNG, GIF (87a or 89a) or JPEG by its signature; any other data, however named, is not.
bool isSplashImageFormat(const Bytes& data);

// The file `path` names (the launcher's form, as a class path pattern) read on this machine.
ImageProbe probeSplashImage(const std::u16string& path);

}  // namespace qxpack
