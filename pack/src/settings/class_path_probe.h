// The launcher's class path file search (FindFirstFileW on a pattern), answered from this machine's
// file system so that `qxpack check` can tell which pieces name nothing.
#pragma once

#include <optional>
#include <string>

#include "settings/settings_lint.h"

namespace qxpack {

// The folder of a settings file in the launcher's form: on Linux "/a/b" becomes "\a\b", which
// nativePathOf() turns back. Wine's "Z:\" drive is read as "/" there.
std::u16string launcherFolderOf(const std::string& settingsPath);

// A path in the launcher's form as a path of this machine (the same on Windows); nothing for a drive or
// network path this machine cannot see.
std::optional<std::u16string> nativePathOf(const std::u16string& path);

// Found when a file or folder in the pattern's folder matches its last part ("*" and "?" wildcards,
// case ignored as on Windows); Unknown for a drive or network path this machine cannot see.
PathProbe probeClassPathPattern(const std::u16string& pattern);

}  // namespace qxpack
