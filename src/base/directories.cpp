#include "base/directories.h"

#include <vector>

#include "base/long_path.h"
#include "base/scoped.h"

namespace qx {

DWORD ensureParentDirectories(const std::wstring& path) {
    if (isAbsolutePath(path)) {
        WIN32_FIND_DATAW data;
        UniqueFind existing(FindFirstFileW(path.c_str(), &data));
        if (existing || GetLastError() == 0) return 0;
    }
    const bool network = isNetworkPath(path);
    const std::vector<std::wstring> components = splitPath(path);
    // A path such as "\\" has no component at all; with no folder above the file, there is nothing to do
    // and opening the file reports the fault.
    if (components.size() < 2) return 0;

    DWORD remembered = 0;
    std::wstring current = components.front();
    bool createdCurrent = false;
    for (size_t i = 1; i + 1 < components.size(); ++i) {
        std::wstring candidate = current + L'\\' + components[i];
        const bool created = CreateDirectoryW(candidate.c_str(), nullptr) != FALSE;
        if (!created) {
            remembered = GetLastError();
            if (remembered != ERROR_ALREADY_EXISTS && !network) {
                // Only a folder this call made goes again, and only while it is empty.
                if (createdCurrent) static_cast<void>(removeDirectoryLong(current));
                break;
            }
        }
        current = std::move(candidate);
        createdCurrent = created;
    }
    return remembered == ERROR_ALREADY_EXISTS ? 0 : remembered;
}

bool removeDirectoryLong(const std::wstring& path) {
    const std::wstring target = path.size() < kClassicPathLimit || path.rfind(kLocalLongPrefix, 0) == 0
                                    ? path
                                    : kLocalLongPrefix + path;
    return RemoveDirectoryW(target.c_str()) == TRUE;
}

}  // namespace qx
