#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "config/settings_keys.h"
#include "core/text_codec.h"
#include "core/wide_text.h"

namespace qxpack {
namespace {

using Entry = std::pair<std::string, std::string>;  // section, key

std::string utf8(const wchar_t* text) { return toUtf8(fromWide(text)); }

// "## [Section]" opens a section of keys, "### Key" names one key in it; any other "## " heading
// closes it, so the document's other headings never count as keys.
std::multiset<Entry> documentedKeys(const std::string& document) {
    std::multiset<Entry> keys;
    std::istringstream lines(document);
    std::string line;
    std::string section;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("## ", 0) == 0) {
            const std::string title = line.substr(3);
            const bool isSection = title.size() > 2 && title.front() == '[' && title.back() == ']';
            section = isSection ? title.substr(1, title.size() - 2) : std::string();
        } else if (line.rfind("### ", 0) == 0 && !section.empty()) {
            keys.emplace(section, line.substr(4));
        }
    }
    return keys;
}

TEST(SettingsReference, NamesEveryKeyOfTheTableUnderItsSectionAndNoOther) {
    std::ifstream file(QXPACK_SETTINGS_DOC, std::ios::binary);
    ASSERT_TRUE(file) << "cannot read " << QXPACK_SETTINGS_DOC;
    std::stringstream document;
    document << file.rdbuf();
    const std::multiset<Entry> documented = documentedKeys(document.str());

    std::multiset<Entry> table;
    for (const qx::SettingKey& key : qx::kAllSettingKeys) table.emplace(utf8(key.section), utf8(key.name));
    for (const Entry& e : table) {
        EXPECT_EQ(documented.count(e), 1u) << "[" << e.first << "] " << e.second << " documented once";
    }
    for (const Entry& e : documented) {
        EXPECT_EQ(table.count(e), 1u)
            << "the document names [" << e.first << "] " << e.second << ", which the key table lacks";
    }
}

TEST(SettingsReference, HeadingsAreReadAsSectionsAndKeys) {
    const std::multiset<Entry> keys = documentedKeys(
        "## Where\n### Layered lookup\n## [Application]\r\n### Cmd\r\n## Checking\n### Not a key\n");
    EXPECT_EQ(keys, (std::multiset<Entry>{{"Application", "Cmd"}}));
}

}  // namespace
}  // namespace qxpack
