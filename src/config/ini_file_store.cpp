#include "config/ini_file_store.h"

#include <windows.h>

#include "base/long_path.h"
#include "base/scoped.h"
#include "config/profile_file.h"
#include "config/profile_text.h"
#include "config/profile_write.h"
#include "diag/trace.h"

namespace qx {

namespace {

constexpr DWORD kFirstBufferSize = 256;

// The short (8.3) form of an existing path, without any long-path prefix; empty when there is none.
std::wstring shortForm(const std::wstring& path) {
    const std::wstring longForm = toLongPathForm(path);
    const DWORD needed = GetShortPathNameW(longForm.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(longForm.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return {};
    shortPath.resize(length);
    if (shortPath.rfind(kNetworkLongPrefix, 0) == 0) return L"\\" + shortPath.substr(8);
    if (shortPath.rfind(kLocalLongPrefix, 0) == 0) return shortPath.substr(4);
    return shortPath;
}

// The profile functions miss a path beyond the classic limit (a launcher in a deep folder), with or
// without a long-path prefix, so such a path is handed over in its short form where that fits: the
// whole file's, or its folder's when the file does not exist yet.
std::wstring profilePath(const std::wstring& path) {
    if (path.size() < kClassicPathLimit) return path;
    std::wstring shorter = shortForm(path);
    if (!shorter.empty() && shorter.size() < kClassicPathLimit) return shorter;
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return path;
    shorter = shortForm(path.substr(0, slash));
    if (shorter.empty()) return path;
    shorter += path.substr(slash);
    return shorter.size() < kClassicPathLimit ? shorter : path;
}

}  // namespace

uint32_t IniFileStore::readSignature(std::array<uint8_t, 4>& signature) {
    UniqueFile file(CreateFileW(toLongPathForm(path_).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD read = 0;
    if (!ReadFile(file.get(), signature.data(), static_cast<DWORD>(signature.size()), &read, nullptr)) {
        return GetLastError();
    }
    return 0;
}

void IniFileStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    if (textState_ == Text::Unread)
        textState_ = readProfileFile(path_, text_) ? Text::Read : Text::ProfileFunctionsOnly;
    if (textState_ == Text::Read) {
        value = profileValue(text_, section, key);
        return;
    }
    // The profile functions only say "truncated" by filling the buffer, so grow until they do not. A
    // quoted value that just fits loses its closing quote and one more character besides, which also
    // leaves the count one short of full: that counts as truncated too.
    const std::wstring path = profilePath(path_);
    std::wstring buffer;
    DWORD size = kFirstBufferSize;
    DWORD count = 0;
    for (;;) {
        buffer.assign(size, L'\0');
        count =
            GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(), size, path.c_str());
        if (count + 2 < size) break;
        size *= 2;
    }
    value.assign(buffer.c_str());
}

void IniFileStore::getSectionNames(std::vector<std::wstring>& names) {
    const std::wstring path = profilePath(path_);
    std::wstring buffer;
    DWORD size = kFirstBufferSize;
    DWORD count = 0;
    for (;;) {
        buffer.assign(size, L'\0');
        count = GetPrivateProfileSectionNamesW(buffer.data(), size, path.c_str());
        if (count != size - 2) break;
        size *= 2;
    }
    names.clear();
    std::wstring name;
    for (DWORD i = 0; i <= count && i < size; ++i) {
        if (buffer[i] != L'\0') {
            name.push_back(buffer[i]);
        } else if (!name.empty()) {
            names.push_back(name);
            name.clear();
        }
    }
}

void IniFileStore::setValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    const ProfileWrite result = writeProfileValue(path_, section, key, value);
    if (result == ProfileWrite::ProfileFunctionsOnly)
        WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), profilePath(path_).c_str());
    if (result == ProfileWrite::Failed && traceOn())
        trace(L"settings file " + path_ + L": [" + section + L"] " + key + L" not written (error " +
              std::to_wstring(GetLastError()) + L")");
    // A write within one tick of the file's previous time, at the same size, would look unchanged.
    forgetProfileFile(path_);
    forgetText();
}

void IniFileStore::deleteBackingFile() {
    DeleteFileW(toLongPathForm(path_).c_str());
    forgetProfileFile(path_);
    forgetText();
}

void IniFileStore::forgetText() {
    textState_ = Text::Unread;
    text_.clear();
}

}  // namespace qx
