#include "runtime/java_version.h"

#include <climits>

namespace qx {

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool parseJavaVersion(const std::wstring& text, int32_t fill, JavaVersion& version) {
    version = JavaVersion{};
    size_t p = 0;
    while (p < text.size() && !isDigit(text[p])) ++p;
    if (p == text.size()) return false;

    int groups = 0;
    while (groups < 4 && p < text.size()) {
        int64_t part = 0;
        for (; p < text.size() && isDigit(text[p]); ++p) {
            part = part * 10 + (text[p] - L'0');
            if (part > INT32_MAX) {
                version = JavaVersion{};
                return false;
            }
        }
        version.parts[groups++] = static_cast<int32_t>(part);
        while (p < text.size() && !isDigit(text[p])) ++p;
    }
    for (int i = groups; i < 4; ++i) version.parts[i] = fill;
    return true;
}

int compareJavaVersions(const JavaVersion& a, const JavaVersion& b) {
    for (int i = 0; i < 4; ++i) {
        if (a.parts[i] != b.parts[i]) return a.parts[i] < b.parts[i] ? -1 : 1;
    }
    return 0;
}

std::wstring formatJavaVersion(const JavaVersion& version) {
    int last = 3;
    while (last >= 0 && (version.parts[last] == 0 || version.parts[last] == kVersionFillHigh)) --last;
    if (last < 0) return L"0.0.0.0";
    if (last == 0) last = 1;
    std::wstring text;
    for (int i = 0; i <= last; ++i) {
        if (i > 0) text += L'.';
        text += std::to_wstring(version.parts[i]);
    }
    return text;
}

}  // namespace qx
