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

    DWORD remembered = 0;
    std::wstring current = components.front();
    for (size_t i = 1; i + 1 < components.size(); ++i) {
        std::wstring candidate = current + L'\\' + components[i];
        if (!CreateDirectoryW(candidate.c_str(), nullptr)) {
            remembered = GetLastError();
            if (remembered != ERROR_ALREADY_EXISTS && !network) {
                // Succeeds only when the folder is empty: a parent that holds anything stays.
                if (i > 1) static_cast<void>(removeDirectoryLong(current));
                break;
            }
        }
        current = std::move(candidate);
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
