#include "config/ini_file_store.h"

#include <windows.h>

#include "base/scoped.h"

namespace qx {

namespace {

constexpr DWORD kFirstBufferSize = 256;

}  // namespace

uint32_t IniFileStore::readSignature(std::array<uint8_t, 4>& signature) {
    UniqueFile file(
        CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD read = 0;
    if (!ReadFile(file.get(), signature.data(), static_cast<DWORD>(signature.size()), &read, nullptr)) {
        return GetLastError();
    }
    return 0;
}

void IniFileStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    // The profile functions only say "truncated" by filling the buffer, so grow until they do not.
    std::wstring buffer;
    DWORD size = kFirstBufferSize;
    DWORD count = 0;
    for (;;) {
        buffer.assign(size, L'\0');
        count =
            GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(), size, path_.c_str());
        if (count != size - 1) break;
        size *= 2;
    }
    value.assign(buffer.c_str());
}

void IniFileStore::getSectionNames(std::vector<std::wstring>& names) {
    std::wstring buffer;
    DWORD size = kFirstBufferSize;
    DWORD count = 0;
    for (;;) {
        buffer.assign(size, L'\0');
        count = GetPrivateProfileSectionNamesW(buffer.data(), size, path_.c_str());
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
    WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path_.c_str());
}

void IniFileStore::deleteBackingFile() { DeleteFileW(path_.c_str()); }

}  // namespace qx
