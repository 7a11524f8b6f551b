#include "config/profile_text.h"

namespace qx {
namespace {

// The profile functions' blanks: tab to carriage return, the DOS end-of-file mark and the space. Other
// Unicode spaces (U+00A0, U+3000, ...) are ordinary characters there.
bool isBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

bool isLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

// Names match ignoring the case of A to Z only: under Wine "Ä" and "ä" are different names, where
// Windows documents the functions as not case-sensitive without naming an alphabet.
wchar_t foldCase(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

void trim(const wchar_t*& begin, const wchar_t*& end) {
    while (begin < end && isBlank(*begin)) ++begin;
    while (end > begin && isBlank(end[-1])) --end;
}

// Names and values are C strings to the profile functions: a NUL in the file ends them.
const wchar_t* nulOrEnd(const wchar_t* begin, const wchar_t* end) {
    while (begin < end && *begin != L'\0') ++begin;
    return begin;
}

// A name of the file, [begin, end) already trimmed, against a lookup name.
bool sameName(const wchar_t* begin, const wchar_t* end, const std::wstring& name) {
    end = nulOrEnd(begin, end);
    if (static_cast<size_t>(end - begin) != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (foldCase(begin[i]) != foldCase(name[i])) return false;
    }
    return true;
}

// A lookup name as the functions take it: up to its first NUL, blanks trimmed at both ends.
std::wstring lookupName(const std::wstring& name) {
    const wchar_t* begin = name.data();
    const wchar_t* end = nulOrEnd(begin, begin + name.size());
    trim(begin, end);
    return std::wstring(begin, end);
}

// Where a lookup of `section` and `key` lands in `text`: the one scan that both reading and writing
// go by, so a value written is the value read.
struct ProfileLookup {
    bool sectionFound = false;
    size_t sectionEnd = 0;  // where the section's last line that is not blank ends, before its line end
    bool keyFound = false;
    size_t keyBegin = 0, keyEnd = 0;  // the key's line, trimmed
};

ProfileLookup lookUp(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
    const std::wstring sectionName = lookupName(section);
    const std::wstring keyName = lookupName(key);
    ProfileLookup found;
    // The lines before the first header form a section without a name, as "[]" does.
    bool inSection = sectionName.empty();
    found.sectionFound = inSection;
    const wchar_t* const textBegin = text.data();
    const wchar_t* const textEnd = textBegin + text.size();
    const wchar_t* next = textBegin;
    // Any run of CR and LF ends a line, so a lone CR does too.
    while (next < textEnd) {
        const wchar_t* begin = next;
        while (next < textEnd && !isLineEnd(*next)) ++next;
        const wchar_t* end = next;
        const size_t lineEnd = static_cast<size_t>(end - textBegin);
        while (next < textEnd && isLineEnd(*next)) ++next;
        trim(begin, end);
        if (begin == end) continue;

        if (*begin == L'[') {
            // A header runs to the line's last "]": "[A] note" is section "A"; "[A" is no header.
            const wchar_t* close = end;
            while (close > begin && close[-1] != L']') --close;
            if (close > begin) {
                // Only the first section of a name is searched.
                if (inSection) return found;
                const wchar_t* nameBegin = begin + 1;
                const wchar_t* nameEnd = close - 1;
                trim(nameBegin, nameEnd);
                inSection = sameName(nameBegin, nameEnd, sectionName);
                if (!inSection) continue;
                found.sectionFound = true;
                found.sectionEnd = lineEnd;
                continue;
            }
        }
        if (!inSection) continue;
        found.sectionEnd = lineEnd;

        const wchar_t* equals = begin;
        while (equals < end && *equals != L'=') ++equals;
        const wchar_t* nameEnd = equals;
        trim(begin, nameEnd);
        if (!sameName(begin, nameEnd, keyName)) continue;
        // The first key of a name decides, even a line without "=".
        found.keyFound = true;
        found.keyBegin = static_cast<size_t>(begin - textBegin);
        found.keyEnd = static_cast<size_t>(end - textBegin);
        return found;
    }
    return found;
}

// True when `value` comes back unchanged from a line "key=value": blanks around it would be trimmed,
// and one pair of quotes around it dropped.
bool readsAsWritten(const std::wstring& value) {
    if (value.empty()) return true;
    if (isBlank(value.front()) || isBlank(value.back())) return false;
    return !(value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
             value.back() == value.front());
}

bool hasLineEndOrNul(const std::wstring& text) {
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos;
}

}  // namespace

ProfileEncoding detectProfileEncoding(const uint8_t* bytes, size_t size, size_t& markLength) {
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        markLength = 3;
        return ProfileEncoding::Utf8;
    }
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        markLength = 2;
        return ProfileEncoding::Utf16Le;
    }
    if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        markLength = 2;
        return ProfileEncoding::Utf16Be;
    }
    markLength = 0;
    return ProfileEncoding::Ansi;
}

std::wstring utf16Text(const uint8_t* bytes, size_t size, bool bigEndian) {
    // Wine reads the odd last byte of a UTF-16 file as one character with whatever byte lies beyond its
    // buffer, which differs from run to run; that character is not the file's, so it is left out.
    std::wstring text(size / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned first = bytes[2 * i], second = bytes[2 * i + 1];
        text[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : first | (second << 8));
    }
    return text;
}

std::wstring profileValue(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
    const ProfileLookup found = lookUp(text, section, key);
    if (!found.keyFound) return {};
    const wchar_t* const begin = text.data() + found.keyBegin;
    const wchar_t* end = text.data() + found.keyEnd;
    const wchar_t* equals = begin;
    while (equals < end && *equals != L'=') ++equals;
    if (equals == end) return {};
    const wchar_t* valueBegin = equals + 1;
    trim(valueBegin, end);
    end = nulOrEnd(valueBegin, end);
    // One pair of matching quotes around the whole value is dropped.
    if (end - valueBegin >= 2 && (*valueBegin == L'"' || *valueBegin == L'\'') && end[-1] == *valueBegin)
        return std::wstring(valueBegin + 1, end - 1);
    return std::wstring(valueBegin, end);
}

bool withProfileValue(std::wstring& text, const std::wstring& section, const std::wstring& key,
                      const std::wstring& value) {
    const std::wstring sectionName = lookupName(section);
    const std::wstring keyName = lookupName(key);
    // Names that a lookup would not find again as given: cut, spread over lines, or ending a header or a
    // key early.
    if (sectionName.empty() || keyName.empty() || sectionName != section || keyName != key ||
        hasLineEndOrNul(section) || hasLineEndOrNul(key) || hasLineEndOrNul(value) ||
        key.find(L'=') != std::wstring::npos || key.front() == L'[')
        return false;
    const std::wstring entry = key + L'=' + (readsAsWritten(value) ? value : L'"' + value + L'"');

    const ProfileLookup found = lookUp(text, section, key);
    if (found.keyFound) {
        text.replace(found.keyBegin, found.keyEnd - found.keyBegin, entry);
    } else if (found.sectionFound) {
        text.insert(found.sectionEnd, L"\r\n" + entry);
    } else {
        if (!text.empty() && !isLineEnd(text.back())) text += L"\r\n";
        text += L'[' + section + L"]\r\n" + entry + L"\r\n";
    }
    return true;
}

std::string utf16LeFile(const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    bytes.reserve(2 + 2 * text.size());
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

}  // namespace qx
