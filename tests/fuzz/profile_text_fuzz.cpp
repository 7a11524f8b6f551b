// A settings file read by the profile functions' rules: any bytes decode and split without fault, and
// the rules hold for whatever the text is. A value written by the same rules reads back as written and
// leaves every other lookup as it was. The comparison with the functions themselves runs under
// Wine (tests/unit/profile_file_test.cpp, also run by scripts/fuzz).
#include <algorithm>
#include <string>
#include <vector>

#include "config/profile_text.h"
#include "fuzz_input.h"

namespace {

bool isBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

std::wstring flipAsciiCase(std::wstring text) {
    for (wchar_t& c : text) {
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) c = static_cast<wchar_t>(c ^ 0x20);
    }
    return text;
}

// A name as a lookup compares it: up to a NUL, without blanks around it, A to Z in lower case.
std::wstring lookupForm(std::wstring name) {
    name.erase(std::min(name.find(L'\0'), name.size()));
    while (!name.empty() && isBlank(name.back())) name.pop_back();
    size_t begin = 0;
    while (begin < name.size() && isBlank(name[begin])) ++begin;
    name.erase(0, begin);
    for (wchar_t& c : name) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    }
    return name;
}

bool clean(const std::wstring& text, const std::wstring& banned) {
    if (text.empty() || isBlank(text.front()) || isBlank(text.back())) return false;
    return text.find_first_of(banned) == std::wstring::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file's bytes as the reader decodes them; ANSI and UTF-8 need the system's code pages, so the
    // host reads them as UTF-8 with stray bytes kept.
    size_t mark = 0;
    const qx::ProfileEncoding encoding = qx::detectProfileEncoding(data, size, mark);
    QX_FUZZ_CHECK(mark <= size);
    std::wstring text;
    if (encoding == qx::ProfileEncoding::Utf16Le || encoding == qx::ProfileEncoding::Utf16Be) {
        text = qx::utf16Text(data + mark, size - mark, encoding == qx::ProfileEncoding::Utf16Be);
        QX_FUZZ_CHECK(text.size() == (size - mark) / 2);
    } else {
        text = qxfuzz::units(data + mark, size - mark);
    }
    const std::vector<std::wstring> in = qxfuzz::fields(data, size, 4);
    const std::wstring& section = in[1];
    const std::wstring& key = in[2];
    const std::wstring& other = in[3];

    const std::wstring value = qx::profileValue(text, section, key);
    // A value lies within one line and ends at the first NUL.
    QX_FUZZ_CHECK(value.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos);
    // Names match whatever the case of A to Z and the blanks around them.
    QX_FUZZ_CHECK(qx::profileValue(text, L" \t" + flipAsciiCase(section) + L"\x1A ", flipAsciiCase(key)) ==
                  value);

    // A section and key written first win over anything that follows them.
    const std::wstring banned(L"\r\n\0[]=\"'", 8);
    if (clean(section, banned) && clean(key, banned) && clean(in[0], std::wstring(L"\r\n\0\"'", 5))) {
        const std::wstring first = L"[" + section + L"]\r\n" + key + L"=" + in[0] + L"\r\n" + text;
        QX_FUZZ_CHECK(qx::profileValue(first, section, key) == in[0]);
        const std::wstring quoted = L"[" + section + L"]\r\n" + key + L" = \"" + in[0] + L"\"\r\n" + text;
        QX_FUZZ_CHECK(qx::profileValue(quoted, section, key) == in[0]);
    }

    std::wstring written = text;
    if (qx::withProfileValue(written, section, key, in[0])) {
        QX_FUZZ_CHECK(qx::profileValue(written, section, key) == in[0]);
        if (lookupForm(other) != lookupForm(key))
            QX_FUZZ_CHECK(qx::profileValue(written, section, other) ==
                          qx::profileValue(text, section, other));
        if (lookupForm(other) != lookupForm(section))
            QX_FUZZ_CHECK(qx::profileValue(written, other, key) == qx::profileValue(text, other, key));
        // Written again, the text stays as it is: the section and the key are found, never added twice.
        std::wstring again = written;
        QX_FUZZ_CHECK(qx::withProfileValue(again, section, key, in[0]) && again == written);
    } else {
        QX_FUZZ_CHECK(written == text);
    }
    return 0;
}
