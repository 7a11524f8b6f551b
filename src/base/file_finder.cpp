#include "base/file_finder.h"

#include "base/long_path.h"

namespace qx {

bool FileFinder::findFile(const wchar_t* pattern) {
    handle_.reset();
    found_ = false;
    root_.clear();

    const std::wstring given = pattern != nullptr ? pattern : L"*.*";
    if (given.size() > kLongestPattern) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const std::wstring longForm = toLongPathForm(given);
    handle_.reset(FindFirstFileW(longForm.c_str(), &entry_));
    if (!handle_) return false;

    const DWORD needed = GetFullPathNameW(longForm.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : GetFullPathNameW(longForm.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        handle_.reset();
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    full.resize(length);
    const size_t separator = full.find_last_of(L"\\/");
    root_ = separator == std::wstring::npos ? full : full.substr(0, separator);
    found_ = true;
    return true;
}

bool FileFinder::findNext() {
    if (!found_) {
        SetLastError(ERROR_NO_MORE_FILES);
        return false;
    }
    return FindNextFileW(handle_.get(), &entry_) != 0;
}

}  // namespace qx
