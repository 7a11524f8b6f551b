// An INI file read and written through the Windows profile functions, whose rules (case, trimming,
// quotes, encodings) decide every match. Holds no handle between calls. Paths beyond the classic
// limit reach the profile functions in their short (8.3) form where the volume has one.
#pragma once

#include <string>
#include <utility>

#include "config/settings_store.h"

namespace qx {

class IniFileStore : public SettingsStore {
public:
    explicit IniFileStore(std::wstring path = {}) : path_(std::move(path)) {}

    const std::wstring& path() const { return path_; }
    void setPath(std::wstring path) { path_ = std::move(path); }

    // Reads up to 4 bytes from the start of the file; 0, or the error of the call that failed.
    uint32_t readSignature(std::array<uint8_t, 4>& signature) override;
    // Always replaces `value`: the file's value of any length, or empty when file, section or key is
    // missing.
    void getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) override;
    // The file's non-empty section names; empty when there is no file.
    void getSectionNames(std::vector<std::wstring>& names) override;
    // WritePrivateProfileStringW; the result is not reported.
    void setValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) override;
    // DeleteFileW on the path; the result is not reported.
    void deleteBackingFile() override;

private:
    std::wstring path_;
};

}  // namespace qx
