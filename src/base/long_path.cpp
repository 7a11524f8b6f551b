#include "base/long_path.h"

#include <cwctype>

#include "base/split_text.h"

namespace qx {

namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

bool startsWithNoCase(const std::wstring& text, size_t at, const wchar_t* word) {
    for (size_t i = 0; word[i] != L'\0'; ++i) {
        if (at + i >= text.size() || std::towupper(text[at + i]) != std::towupper(word[i])) return false;
    }
    return true;
}

}  // namespace

bool isNetworkPath(const std::wstring& path) {
    if (path.size() < 2 || path[0] != L'\\' || path[1] != L'\\') return false;
    if (path.size() > 2 && path[2] == L'?') return startsWithNoCase(path, 3, L"\\UNC\\");
    return true;
}

bool isAbsolutePath(const std::wstring& path) {
    return path.size() >= 2 && ((path[0] == L'\\' && path[1] == L'\\') || path[1] == L':');
}

std::wstring toLongPathForm(const std::wstring& path) {
    if (path.size() < kClassicPathLimit) return path;
    if (isNetworkPath(path)) {
        if (startsWith(path, kNetworkLongPrefix)) return path;
        return kNetworkLongPrefix + path.substr(2);
    }
    if (startsWith(path, kLocalLongPrefix)) return path;
    return kLocalLongPrefix + path;
}

std::vector<std::wstring> splitPath(const std::wstring& path) {
    std::wstring prefix;
    std::wstring rest = path;
    if (startsWith(path, kLocalLongPrefix)) {
        prefix = startsWith(path, kNetworkLongPrefix) ? kNetworkLongPrefix : kLocalLongPrefix;
        rest = path.substr(prefix.size());
    }
    // The root of \\server\share is \\server, so a network path's search starts past its two backslashes.
    const size_t from = isNetworkPath(rest) ? 2 : 0;
    const size_t slash = rest.find(L'\\', from);
    std::wstring root = rest.substr(0, slash);
    rest = slash == std::wstring::npos ? std::wstring() : rest.substr(slash + 1);

    std::vector<std::wstring> components;
    splitText(rest, L"\\", components);
    const std::wstring first = prefix + root;
    if (!first.empty()) components.insert(components.begin(), first);
    return components;
}

std::wstring appendBackslash(const std::wstring& path) { return path + L'\\'; }

}  // namespace qx
