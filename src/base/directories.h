// Creating and removing directories, long-path aware.
#pragma once

#include <windows.h>

#include <string>

namespace qx {

// Creates the missing directories above the file `path` names, level by level below its first
// component (drive, \\server or, for a relative path, its first directory), which is never created.
// Pass a "\\?\" form for paths beyond 248 units. On a local failure the loop stops and the parent of
// the failed level is removed again when this call created it and it is empty. Network paths ignore
// failures (share levels cannot be created). Returns 0, or the last error other than
// ERROR_ALREADY_EXISTS; 0 for a path with no folder to create ("\\", "").
DWORD ensureParentDirectories(const std::wstring& path);

// RemoveDirectoryW, with "\\?\" in front of a local path of 260 units or more.
[[nodiscard]] bool removeDirectoryLong(const std::wstring& path);

}  // namespace qx
