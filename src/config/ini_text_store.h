// INI text held and parsed in memory (the embedded settings). Pure text logic: no Windows calls.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/settings_store.h"

namespace qx {

struct IniSection {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> entries;  // key, value; repeats kept in order
};

class IniTextStore : public SettingsStore {
public:
    // Writes four zero bytes and returns 1: there is no file to read from.
    uint32_t readSignature(std::array<uint8_t, 4>& signature) override;
    // First section named `section` exactly, then its first entry keyed `key` exactly; on a miss
    // `value` is left as it was.
    void getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) override;
    // Every section name in order, repeated names included.
    void getSectionNames(std::vector<std::wstring>& names) override;
    // Appends (key, value) to the first section of that name, appending the section when missing.
    void setValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) override;
    // Nothing backs the text.
    void deleteBackingFile() override {}

    // Replaces the whole content by the parse of `text`: lines end at CR LF only, an optional leading
    // U+FEFF is dropped, "[name]" headers open sections (names kept unchanged, repeats appended), lines
    // before the first header and lines without "=" are ignored, key and value are trimmed of white
    // space. There is no comment syntax and no quoting.
    void parseText(const std::wstring& text);

    const std::vector<IniSection>& sections() const { return sections_; }

private:
    std::vector<IniSection> sections_;
};

}  // namespace qx
