#include "vm/jar_manifest.h"

#include <vector>

namespace qx {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

// The main section's logical lines, continuations joined.
std::vector<std::string> mainSectionLines(const std::string& manifest) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < manifest.size()) {
        size_t end = manifest.find_first_of("\r\n", at);
        if (end == std::string::npos) end = manifest.size();
        const std::string line = manifest.substr(at, end - at);
        at = end;
        if (at < manifest.size() && manifest[at] == '\r') ++at;
        if (at < manifest.size() && manifest[at] == '\n') ++at;
        if (line.empty()) break;
        if (line[0] == ' ' && !lines.empty()) {
            lines.back() += line.substr(1);
        } else {
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

bool manifestMainAttribute(const std::string& manifest, const std::string& name, std::string& value) {
    for (const std::string& line : mainSectionLines(manifest)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || !sameIgnoringAsciiCase(line.substr(0, colon), name)) continue;
        size_t first = colon + 1;
        size_t last = line.size();
        while (first < last && isBlank(line[first])) ++first;
        while (last > first && isBlank(line[last - 1])) --last;
        value = line.substr(first, last - first);
        return true;
    }
    return false;
}

}  // namespace qx
