// INI text parsing and the layered lookup over an embedded text and a settings text.
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "config/ini_text_store.h"
#include "config/layered_value.h"
#include "fuzz_input.h"

namespace {

const wchar_t kUnset[] = L"\x1Funset";

std::wstring lookup(qx::IniTextStore& store, const std::wstring& section, const std::wstring& key) {
    std::wstring value = kUnset;
    store.getValue(section, key, value);
    return value;
}

bool startsAndEndsLikeHeader(const std::wstring& line) {
    size_t begin = 0;
    while (begin < line.size() && line[begin] <= 0x20) ++begin;
    size_t end = line.size();
    while (end > begin && line[end - 1] <= 0x20) --end;
    return end > begin && line[begin] == L'[' && line[end - 1] == L']';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::wstring> in = qxfuzz::fields(data, size, 4);
    qx::IniTextStore embedded;
    qx::IniTextStore file;
    embedded.parseText(in[0]);
    file.parseText(in[1]);

    // A miss leaves the value as it was; a hit is the first entry of the first section of that name.
    const std::wstring found = lookup(embedded, in[2], in[3]);
    for (const qx::IniSection& s : embedded.sections()) {
        if (s.name != in[2]) continue;
        std::wstring expected = kUnset;
        for (const auto& entry : s.entries) {
            if (entry.first == in[3]) {
                expected = entry.second;
                break;
            }
        }
        QX_FUZZ_CHECK(found == expected);
        break;
    }

    // Every name, key and value lies within one line, and keys and values carry no outer blanks.
    std::vector<std::wstring> names;
    embedded.getSectionNames(names);
    QX_FUZZ_CHECK(names.size() == embedded.sections().size());
    std::set<std::wstring> seen;
    for (const qx::IniSection& s : embedded.sections()) {
        QX_FUZZ_CHECK(s.name.find(L"\r\n") == std::wstring::npos);
        // Lookups stop at the first section of a name: only its keys are reachable.
        const bool reachable = seen.insert(s.name).second;
        for (const auto& [key, value] : s.entries) {
            QX_FUZZ_CHECK(key.find(L'=') == std::wstring::npos);
            QX_FUZZ_CHECK(key.find(L"\r\n") == std::wstring::npos &&
                          value.find(L"\r\n") == std::wstring::npos);
            QX_FUZZ_CHECK(key.empty() || (!std::iswspace(key.front()) && !std::iswspace(key.back())));
            QX_FUZZ_CHECK(value.empty() || (!std::iswspace(value.front()) && !std::iswspace(value.back())));
            if (reachable) QX_FUZZ_CHECK(lookup(embedded, s.name, key) != kUnset);
        }
    }

    // Writing the sections out again and reading them back gives the same sections, unless an entry's
    // line would read as a header.
    std::wstring written;
    bool writable = true;
    for (const qx::IniSection& s : embedded.sections()) {
        written += L"[" + s.name + L"]\r\n";
        for (const auto& [key, value] : s.entries) {
            const std::wstring line = key + L"=" + value;
            writable = writable && !startsAndEndsLikeHeader(line);
            written += line + L"\r\n";
        }
    }
    if (writable) {
        qx::IniTextStore again;
        again.parseText(written);
        QX_FUZZ_CHECK(again.sections().size() == embedded.sections().size());
        for (size_t i = 0; i < again.sections().size(); ++i) {
            QX_FUZZ_CHECK(again.sections()[i].name == embedded.sections()[i].name);
            QX_FUZZ_CHECK(again.sections()[i].entries == embedded.sections()[i].entries);
        }
    }

    // The layers: a file value replaces, a "+" value extends with one space between.
    std::wstring base;
    embedded.getValue(in[2], in[3], base);
    std::wstring fileValue;
    file.getValue(in[2], in[3], fileValue);
    std::wstring plusValue;
    if (fileValue.empty()) file.getValue(in[2] + L"+", in[3], plusValue);
    const std::wstring layered = qx::layeredValue(base, fileValue, plusValue);
    if (!fileValue.empty()) {
        QX_FUZZ_CHECK(layered == fileValue);
    } else if (plusValue.empty()) {
        QX_FUZZ_CHECK(layered == base);
    } else {
        const size_t joint = plusValue.front() == L' ' ? 0 : 1;
        QX_FUZZ_CHECK(layered.size() == base.size() + joint + plusValue.size());
        QX_FUZZ_CHECK(layered.compare(0, base.size(), base) == 0);
        QX_FUZZ_CHECK(layered.compare(base.size() + joint, std::wstring::npos, plusValue) == 0);
    }
    return 0;
}
