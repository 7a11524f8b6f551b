// One file search that accepts paths beyond the classic 260-unit limit; doubles as an existence test.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped.h"

namespace qx {

constexpr size_t kLongestPattern = 32766;

class FileFinder {
public:
    // Starts a new search (closing any open one) for `pattern`, "*.*" when null. Long patterns get the
    // long-path prefix; longer than 32766 units fails at once with ERROR_FILENAME_EXCED_RANGE. False
    // with the Windows error as last error; true with the first match in entry() and root() set.
    [[nodiscard]] bool findFile(const wchar_t* pattern);
    [[nodiscard]] bool findFile(const std::wstring& pattern) { return findFile(pattern.c_str()); }
    // Moves entry() to the next match of the open search; false (last error ERROR_NO_MORE_FILES at the
    // end) when there is none. Matches come in the system's order, "." and ".." included.
    [[nodiscard]] bool findNext();

    bool found() const { return found_; }
    const WIN32_FIND_DATAW& entry() const { return entry_; }
    // The pattern's full path cut before its last separator ("\" or "/"), without a trailing one.
    const std::wstring& root() const { return root_; }

private:
    UniqueFind handle_;
    WIN32_FIND_DATAW entry_{};
    bool found_ = false;
    std::wstring root_;
};

}  // namespace qx
