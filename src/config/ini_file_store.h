// An INI file read and written by the rules of the Windows profile functions (case, trimming, quotes,
// encodings). Lookups are answered from the file's text read once (profile_file.h), and writes made by
// the same rules (profile_write.h); the profile functions answer only what those cannot. Holds no handle
// between calls. Paths beyond the classic limit reach the profile functions in their short (8.3) form where
// the volume has one.
#pragma once

#include <string>
#include <utility>

#include "config/settings_store.h"

namespace qx {

class IniFileStore : public SettingsStore {
public:
    explicit IniFileStore(std::wstring path = {}) : path_(std::move(path)) {}

    const std::wstring& path() const { return path_; }
    void setPath(std::wstring path) {
        path_ = std::move(path);
        forgetText();
    }

    // Reads up to 4 bytes from the start of the file; 0, or the error of the call that failed.
    uint32_t readSignature(std::array<uint8_t, 4>& signature) override;
    // Always replaces `value`: the file's value of any length, or empty when file, section or key is
    // missing. The file is looked at once per store: a reader sees one state of it throughout, and
    // its own writes.
    void getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) override;
    // The file's non-empty section names; empty when there is no file.
    void getSectionNames(std::vector<std::wstring>& names) override;
    // writeProfileValue, or WritePrivateProfileStringW for a file the profile functions alone read; the
    // result is not reported (the trace names a failure).
    void setValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) override;
    // DeleteFileW on the path; the result is not reported.
    void deleteBackingFile() override;

private:
    void forgetText();

    std::wstring path_;
    enum class Text { Unread, Read, ProfileFunctionsOnly } textState_ = Text::Unread;
    std::wstring text_;  // the file's decoded text, once read
};

}  // namespace qx
