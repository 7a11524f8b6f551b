#include "core/properties_text.h"

#include <algorithm>

namespace qxpack {

namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\f'; }

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

std::u16string unescaped(const std::u16string& raw) {
    std::u16string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\' || i + 1 == raw.size()) {
            out.push_back(raw[i]);
            continue;
        }
        const char16_t c = raw[++i];
        if (c == u't') {
            out.push_back(u'\t');
        } else if (c == u'n') {
            out.push_back(u'\n');
        } else if (c == u'r') {
            out.push_back(u'\r');
        } else if (c == u'f') {
            out.push_back(u'\f');
        } else if (c == u'u') {
            int code = 0;
            bool valid = i + 4 < raw.size();
            for (size_t k = 1; valid && k <= 4; ++k) {
                const int digit = hexDigit(raw[i + k]);
                valid = digit >= 0;
                code = code * 16 + digit;
            }
            if (valid) {
                out.push_back(static_cast<char16_t>(code));
                i += 4;
            } else {
                out += u"\\u";
            }
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// The logical lines: continuations joined, comments and blank lines left out.
std::vector<std::pair<std::u16string, size_t>> logicalLines(const std::u16string& text) {
    std::vector<std::pair<std::u16string, size_t>> lines;
    std::u16string current;
    bool continuing = false;
    size_t number = 0;
    size_t start = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(pos, end - pos);
        pos = end + (text.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
        ++number;

        size_t first = 0;
        while (first < line.size() && isSpace(line[first])) ++first;
        line.erase(0, first);
        if (!continuing) {
            if (line.empty() || line[0] == u'#' || line[0] == u'!') continue;
            start = number;
        }
        size_t backslashes = 0;
        while (backslashes < line.size() && line[line.size() - 1 - backslashes] == u'\\') ++backslashes;
        continuing = backslashes % 2 == 1;
        if (continuing) line.pop_back();
        current += line;
        if (!continuing) {
            lines.emplace_back(std::move(current), start);
            current.clear();
        }
    }
    if (continuing) lines.emplace_back(std::move(current), start);
    return lines;
}

}  // namespace

std::vector<Property> parseProperties(const std::u16string& text) {
    std::vector<Property> properties;
    for (const auto& [line, number] : logicalLines(text)) {
        size_t keyEnd = 0;
        while (keyEnd < line.size() && line[keyEnd] != u'=' && line[keyEnd] != u':' &&
               !isSpace(line[keyEnd])) {
            keyEnd += line[keyEnd] == u'\\' ? 2 : 1;
        }
        keyEnd = std::min(keyEnd, line.size());
        size_t valueStart = keyEnd;
        while (valueStart < line.size() && isSpace(line[valueStart])) ++valueStart;
        if (valueStart < line.size() && (line[valueStart] == u'=' || line[valueStart] == u':')) ++valueStart;
        while (valueStart < line.size() && isSpace(line[valueStart])) ++valueStart;
        properties.push_back(
            Property{unescaped(line.substr(0, keyEnd)), unescaped(line.substr(valueStart)), number});
    }
    return properties;
}

}  // namespace qxpack
