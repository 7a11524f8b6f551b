#include "support/lib/ini_generator.h"

#include <windows.h>

#include <cwctype>

#include "support/lib/test_env.h"

namespace qxtest {
namespace {

using Random = std::mt19937;

size_t below(Random& random, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }
bool chance(Random& random, size_t percent) { return below(random, 100) < percent; }
template <typename T, size_t N>
const T& pick(Random& random, const T (&items)[N]) {
    return items[below(random, N)];
}

// Blanks the profile functions trim, and characters that only look like blanks.
const wchar_t kBlanks[] = {L' ', L' ', L'\t', L'\v', L'\f', 0x1A};
const wchar_t kLookAlikes[] = {0x00A0, 0x3000, 0x001C, 0x0085, 0x2028, 0xFEFF, 0x200B, 0x0000};
// Letters at the edges of case folding: A to Z, their neighbours, Latin-1 and other cased letters, and
// signs that fold to an ASCII letter in full Unicode (Kelvin sign, long s, dotted and dotless i).
const wchar_t kLetters[] = {L'a',   L'A',   L'b',   L'B',   L'z',   L'Z',   L'@',   L'[',   L'`',
                            L'{',   L'_',   0x00C4, 0x00E4, 0x00DE, 0x00FE, 0x212A, 0x017F, 0x0130,
                            0x0131, 0x03A3, 0x03C3, 0x0410, 0x0430, 0xFF21, 0xFF41, L'k',   L's'};
const wchar_t kSpecials[] = {L'=',  L'[', L']', L'"',  L'\'',  L';',   L'#',   L'\0',  L'\r',
                             L'\n', L'+', L'%', L'\\', 0xD800, 0xDC00, 0xFFFD, 0xFFFF, 0x00FF};
const wchar_t* const kLauncherNames[] = {L"Java Runtime Environment",
                                         L"Java Runtime Environment+",
                                         L"Application",
                                         L"Class Path",
                                         L"Main Class",
                                         L"JRE Path",
                                         L"Virtual Machine Parameters"};
// Case partners, including the pairs only full Unicode folding joins.
const wchar_t kPartners[][2] = {{0x00C4, 0x00E4}, {0x00DE, 0x00FE}, {0x03A3, 0x03C3},
                                {0x0410, 0x0430}, {0xFF21, 0xFF41}, {0x212A, L'k'},
                                {0x017F, L's'},   {0x0130, L'i'},   {0x0131, L'I'}};
const char* const kDoubleMarks[] = {"\xEF\xBB\xBF\xEF\xBB\xBF", "\xFF\xFE\xFF\xFE", "\xEF\xBB\xBF\xFF\xFE",
                                    "\xFF\xFE\xEF\xBB", "\xFE\xFF\xFF\xFE"};
const char* const kLineEnds[] = {"\r\n", "\r\n", "\r\n", "\r\n", "\n", "\r", "\r\r\n", "\n\r", "\n\n"};

wchar_t anyCharacter(Random& random) {
    switch (below(random, 6)) {
        case 0:
            return pick(random, kLetters);
        case 1:
            return pick(random, kSpecials);
        case 2:
            return pick(random, kBlanks);
        case 3:
            return static_cast<wchar_t>(below(random, 0x10000));
        default:
            return static_cast<wchar_t>(0x20 + below(random, 0x5F));
    }
}

std::wstring padding(Random& random) {
    std::wstring pad;
    if (chance(random, 50)) return pad;
    const size_t count = 1 + below(random, 3);
    for (size_t i = 0; i < count; ++i)
        pad += chance(random, 80) ? pick(random, kBlanks) : pick(random, kLookAlikes);
    return pad;
}

std::wstring randomName(Random& random) {
    std::wstring name;
    switch (below(random, 6)) {
        case 0:
            return pick(random, kLauncherNames);
        case 1:  // short names from a small alphabet, so that names meet in different cases
            for (size_t i = 1 + below(random, 2); i > 0; --i) name += L"aAbB"[below(random, 4)];
            return name;
        case 2:
            for (size_t i = 1 + below(random, 6); i > 0; --i) name += pick(random, kLetters);
            return name;
        case 3:
            for (size_t i = 1 + below(random, 8); i > 0; --i) name += anyCharacter(random);
            return name;
        case 4:
            return std::wstring(L"a") + pick(random, kBlanks) + pick(random, kLookAlikes) + L"b";
        default:
            return chance(random, 30) ? L"" : std::wstring(pick(random, kLauncherNames)) + L"  x";
    }
}

std::wstring randomValue(Random& random) {
    std::wstring value;
    size_t length = below(random, 12);
    if (chance(random, 5)) length = 200 + below(random, 3000);
    for (size_t i = 0; i < length; ++i) value += anyCharacter(random);
    if (chance(random, 30)) {
        const wchar_t quotes[] = {L'"', L'\''};
        const wchar_t open = pick(random, quotes);
        const wchar_t close = chance(random, 80) ? open : pick(random, quotes);
        value = open + value + close;
    }
    return value;
}

// The same name as a lookup might spell it: other case, blanks around, or a "+" section.
std::wstring variant(Random& random, const std::wstring& name) {
    std::wstring spelled = name;
    switch (below(random, 6)) {
        case 0:
            for (wchar_t& c : spelled) {
                if (c < 0x80 && iswalpha(c)) c = static_cast<wchar_t>(c ^ 0x20);
            }
            break;
        case 1:
            for (wchar_t& c : spelled) {
                for (const auto& pair : kPartners) {
                    if (c == pair[0] || c == pair[1]) {
                        c = c == pair[0] ? pair[1] : pair[0];
                        break;
                    }
                }
            }
            break;
        case 2:
            spelled = padding(random) + spelled + padding(random);
            break;
        case 3:
            spelled += L"+";
            break;
        default:
            break;
    }
    return spelled;
}

std::string encodeWith(UINT codePage, const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::string utf16(const std::wstring& text, bool bigEndian) {
    std::string bytes;
    for (wchar_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// Bytes no encoder writes: undefined ANSI bytes, broken UTF-8, NULs.
void spoil(Random& random, std::string& bytes) {
    const std::string kJunk[] = {
        "\x81", "\x8D", "\xFF", "\xC3", "\xED\xA0\x80", "\xF4\x90\x80\x80", std::string(1, '\0'), "\xC0\xAF"};
    for (size_t i = below(random, 4); i > 0 && !bytes.empty(); --i) {
        bytes.insert(below(random, bytes.size()), pick(random, kJunk));
    }
}

std::string encode(Random& random, const std::wstring& text) {
    switch (below(random, 9)) {
        case 0: {
            std::string bytes = encodeWith(CP_ACP, text);
            spoil(random, bytes);
            return bytes;
        }
        case 1:
            return "\xEF\xBB\xBF" + encodeWith(CP_UTF8, text);
        case 2: {
            std::string bytes = "\xEF\xBB\xBF" + encodeWith(CP_UTF8, text);
            spoil(random, bytes);
            return bytes;
        }
        case 3:
            return encodeWith(CP_UTF8, text);  // no mark: read as ANSI
        case 4:
            // Wine reads an odd last byte with one beyond its buffer, whatever that holds: a section
            // nobody looks up keeps the character it makes out of the comparison.
            return "\xFF\xFE" + utf16(text + L"\r\n[odd end]\r\n", false) + "Z";
        case 5:
            return "\xFE\xFF" + utf16(text, true);
        case 6:
            return utf16(text, false);  // no mark: read as ANSI, NULs and all
        case 7:
            return std::string(pick(random, kDoubleMarks)) + encodeWith(CP_UTF8, text);
        default:
            return "\xFF\xFE" + utf16(text, false);
    }
}

std::wstring line(Random& random, const std::vector<std::wstring>& sections,
                  const std::vector<std::wstring>& keys) {
    const std::wstring& section = sections[below(random, sections.size())];
    const std::wstring& key = keys[below(random, keys.size())];
    const std::wstring pad = padding(random);
    switch (below(random, 12)) {
        case 0:
        case 1: {
            const wchar_t* const kTails[] = {L"", L"", L" ; note", L"]", L"x]", L" junk", L"]]"};
            return pad + L"[" + padding(random) + section + padding(random) + L"]" + pick(random, kTails);
        }
        case 2:
            return L"[" + section;
        case 3:
            return pad + key + padding(random);
        case 4:
            return L"=" + randomValue(random);
        case 5:
            return L";" + key + L"=" + randomValue(random);
        case 6:
            return pad;
        case 7:
            return randomValue(random);
        default:
            return pad + key + padding(random) + L"=" + padding(random) + randomValue(random) +
                   padding(random);
    }
}

}  // namespace

GeneratedIni generateIni(std::mt19937& random) {
    std::vector<std::wstring> sections, keys;
    for (size_t i = 2 + below(random, 6); i > 0; --i) sections.push_back(randomName(random));
    for (size_t i = 2 + below(random, 8); i > 0; --i) keys.push_back(randomName(random));

    std::wstring text;
    for (size_t i = below(random, 40); i > 0; --i) {
        text += line(random, sections, keys);
        text += qxtest::widen(pick(random, kLineEnds));
    }
    if (chance(random, 70)) text += line(random, sections, keys);

    GeneratedIni ini;
    ini.bytes = encode(random, text);
    for (const std::wstring& section : sections) {
        for (const std::wstring& key : keys) {
            if (chance(random, 60)) ini.lookups.emplace_back(variant(random, section), variant(random, key));
        }
    }
    ini.lookups.emplace_back(pick(random, kLauncherNames), pick(random, kLauncherNames));
    return ini;
}

std::vector<GeneratedIni> handMadeInis() {
    const std::vector<std::pair<std::wstring, std::wstring>> lookups = {
        {L"A", L"k"}, {L"a", L"K"}, {L"A", L"m"}, {L"", L"k"}, {L"B", L"k"}, {L"A", L""}};
    auto ini = [&](std::string bytes) { return GeneratedIni{std::move(bytes), lookups}; };
    auto quoted = [](size_t inner, char q) { return q + std::string(inner, 'q') + q; };

    std::vector<GeneratedIni> inis;
    for (size_t length : {65534u, 65535u, 65536u, 65537u, 70000u}) {
        inis.push_back(ini("[A]\r\nk=" + std::string(length, 'v') + "\r\nm=" + quoted(length, '"') + "\r\n"));
        inis.push_back(ini("\xFF\xFE" + utf16(L"[A]\r\nk=" + std::wstring(length, 0x4E2D) + L"\r\n", false)));
    }
    for (size_t inner : {253u, 254u, 255u, 256u, 257u, 510u, 511u, 512u, 1023u}) {
        inis.push_back(ini("[A]\r\nk=" + quoted(inner, '"') + "\r\nm=" + quoted(inner, '\'') + "\r\n"));
    }
    for (const char* bytes : {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\xFF", "\xFE", "\xEF\xBB", "[",
                              "=", "[A]", "[A]\r\nk", "k=v", "\r\n\r\n", "[A]\r\nk=v\r\n\x1A"}) {
        inis.push_back(ini(bytes));
    }
    // The odd byte's character is Wine's guess at a byte beyond the file, so it stays out of the lookups.
    inis.push_back(ini("\xFF\xFE" + utf16(L"[A]\r\nk=v\r\n[odd end]\r\n", false) + "Z"));
    inis.push_back(ini("\xFE\xFF" + utf16(L"[A]\r\nk=v\r\n[odd end]\r\n", true) + "Z"));
    inis.push_back(ini("[A]\rk=v\rm=w\r[B]\rk=x"));
    inis.push_back(ini("[A]\nk=v\nm=w\n[B]\nk=x\n"));
    std::string every;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n') every.push_back(static_cast<char>(b));
    }
    inis.push_back(ini("[A" + every + "]\r\nk" + every + "=" + every + "\r\nk=" + every + "\r\n"));
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
    inis.push_back(ini(many + "[A]\r\nk=last\r\n[a]\r\nm=never\r\n"));
    inis.push_back(ini(std::string(1 << 20, 'x') + "\r\n[A]\r\nk=after a long line\r\n"));
    return inis;
}

}  // namespace qxtest
