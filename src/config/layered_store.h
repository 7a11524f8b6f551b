// The one lookup the launcher reads settings through: the embedded settings text first, a non-empty
// value of the settings file replacing it, a value in the file's "<section>+" section extending it.
#pragma once

#include <string>
#include <utility>

#include "config/ini_file_store.h"
#include "config/ini_text_store.h"
#include "config/settings_keys.h"

namespace qx {

// Both stores at once. getValue is layered through either base; every other operation is the one of
// the base it is called through (file(): the settings file; text(): the embedded text).
class LayeredStore : public IniFileStore, public IniTextStore {
public:
    explicit LayeredStore(std::wstring settingsFile = {}) : IniFileStore(std::move(settingsFile)) {}

    // Always replaces `value`: embedded value (first matching section and key), replaced by a non-empty
    // file value, else extended by a non-empty value from the file section "<section>+" (joined with
    // one space unless that value starts with one). Empty when no layer has it.
    void getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) override;
    // getValue returning the value.
    std::wstring value(const std::wstring& section, const std::wstring& key);
    std::wstring value(const SettingKey& key) { return value(key.section, key.name); }

    IniFileStore& file() { return *this; }
    IniTextStore& text() { return *this; }
};

}  // namespace qx
