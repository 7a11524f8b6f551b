// Path text beyond the classic 260-unit limit: long-path prefixes, components, separators. Pure text
// logic: no Windows calls. The separator is the backslash throughout.
#pragma once

#include <string>
#include <vector>

namespace qx {

constexpr size_t kClassicPathLimit = 260;  // MAX_PATH
constexpr wchar_t kLocalLongPrefix[] = L"\\\\?\\";
constexpr wchar_t kNetworkLongPrefix[] = L"\\\\?\\UNC\\";

// True for a network path: "\\server..." or "\\?\UNC\...", but not another "\\?\" path.
bool isNetworkPath(const std::wstring& path);

// True when the path starts with two backslashes or its second unit is ":"; everything else, a
// single leading backslash included, is relative to something.
bool isAbsolutePath(const std::wstring& path);

// Paths of 260 units or more get the long-path prefix: "\\?\" in front, or "\\?\UNC\" in place of
// the two leading backslashes of a network path. Shorter or already prefixed paths come back unchanged.
std::wstring toLongPathForm(const std::wstring& path);

// The path's components: first the long-path prefix (if any) with the root (C: or \\server), then
// the names between backslashes. Doubled backslashes give empty names, a trailing one none.
// \\?\C:\a\b\f -> \\?\C:, a, b, f;  \\?\UNC\srv\sh\f -> \\?\UNC\srv, sh, f;  logs\f -> logs, f.
std::vector<std::wstring> splitPath(const std::wstring& path);

// The path followed by one backslash (always appended, even after an existing one).
std::wstring appendBackslash(const std::wstring& path);

}  // namespace qx
