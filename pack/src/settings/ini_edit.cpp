#include "settings/ini_edit.h"

#include <optional>
#include <vector>

#include "core/text_codec.h"

namespace qxpack {

namespace {

bool sameName(const std::u16string& a, const std::u16string& b, NameMatch match) {
    if (match == NameMatch::Exact) return a == b;
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i])) return false;
    }
    return true;
}

std::vector<std::u16string> splitLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    const std::u16string normal = withCrLf(text);
    size_t start = 0;
    while (start < normal.size()) {
        const size_t end = normal.find(u"\r\n", start);
        if (end == std::u16string::npos) {
            lines.push_back(normal.substr(start));
            break;
        }
        lines.push_back(normal.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The section name of a "[name]" line, as the launcher reads it: up to the last "]".
std::optional<std::u16string> sectionName(const std::u16string& line) {
    const std::u16string t = trimmed(line);
    if (t.size() < 2 || t.front() != u'[' || t.back() != u']') return std::nullopt;
    return t.substr(1, t.size() - 2);
}

std::optional<std::u16string> keyOf(const std::u16string& line) {
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos || sectionName(line)) return std::nullopt;
    return trimmed(line.substr(0, equals));
}

}  // namespace

std::u16string iniValue(const std::u16string& text, const std::u16string& section, const std::u16string& key,
                        NameMatch match) {
    std::u16string body = text;
    if (!body.empty() && body.front() == 0xFEFF) body.erase(0, 1);
    bool inSection = false;
    bool seenSection = false;
    for (const std::u16string& line : splitLines(body)) {
        if (const auto name = sectionName(line)) {
            if (inSection) return {};
            inSection = !seenSection && sameName(*name, section, match);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection) continue;
        const auto lineKey = keyOf(line);
        if (lineKey && sameName(*lineKey, key, match)) return trimmed(line.substr(line.find(u'=') + 1));
    }
    return {};
}

std::u16string withIniValue(const std::u16string& text, const std::u16string& section,
                            const std::u16string& key, const std::u16string& value) {
    std::vector<std::u16string> lines = splitLines(text);
    const std::u16string entry = key + u"=" + value;
    std::optional<size_t> sectionStart;
    size_t insertAt = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (sectionStart) break;
            if (sameName(*name, section, NameMatch::IgnoreCase)) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (!sectionStart) continue;
        const auto lineKey = keyOf(lines[i]);
        if (lineKey && sameName(*lineKey, key, NameMatch::IgnoreCase)) {
            lines[i] = entry;
            sectionStart.reset();
            insertAt = lines.size() + 1;  // replaced: nothing to insert
            break;
        }
        if (!trimmed(lines[i]).empty()) insertAt = i + 1;
    }
    if (insertAt <= lines.size()) {
        if (sectionStart) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        } else {
            if (!lines.empty() && !trimmed(lines.back()).empty()) lines.push_back(u"");
            lines.push_back(u"[" + section + u"]");
            lines.push_back(entry);
        }
    }
    std::u16string out;
    for (const std::u16string& line : lines) out += line + u"\r\n";
    return out;
}

}  // namespace qxpack
