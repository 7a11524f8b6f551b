#include "runtime/java_version.h"

#include <climits>

#include "base/decimal_text.h"
#include "diag/message_catalogue.h"

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
        text += decimalText(version.parts[i]);
    }
    return text;
}

bool isUnsetBound(const JavaVersion& bound) {
    const int32_t first = bound.parts[0];
    if (first != 0 && first != kVersionFillHigh) return false;
    for (int i = 1; i < 4; ++i) {
        if (bound.parts[i] != first) return false;
    }
    return true;
}

bool meetsVersionBounds(const JavaVersion& candidate, const JavaVersion& minimum,
                        const JavaVersion& maximum) {
    if (compareJavaVersions(candidate, minimum) < 0) return false;
    if (compareJavaVersions(maximum, JavaVersion{}) == 0) return true;
    return compareJavaVersions(candidate, maximum) <= 0;
}

bool matchesPreferredVersion(const std::wstring& entry, const JavaVersion& candidate) {
    JavaVersion wanted;
    // An entry without digits is 0.0.0.0, which matches every candidate.
    static_cast<void>(parseJavaVersion(entry, kVersionFillLow, wanted));
    int significant = 4;
    while (significant > 0 && wanted.parts[significant - 1] == 0) --significant;
    for (int i = 0; i < significant; ++i) {
        if (wanted.parts[i] != candidate.parts[i]) return false;
    }
    return true;
}

RequirementMessage requirementMessage(const JavaVersion& minimum, const JavaVersion& maximum) {
    const bool hasMinimum = !isUnsetBound(minimum);
    const bool hasMaximum = !isUnsetBound(maximum);
    if (!hasMinimum && !hasMaximum) return {kMsgLatestVersion, {}};
    if (!hasMinimum) return {kMsgMaximumVersion, {formatJavaVersion(maximum)}};
    if (!hasMaximum) return {kMsgMinimumVersion, {formatJavaVersion(minimum)}};
    if (compareJavaVersions(minimum, maximum) == 0) return {kMsgExactVersion, {formatJavaVersion(minimum)}};
    return {kMsgVersionBetween, {formatJavaVersion(minimum), formatJavaVersion(maximum)}};
}

}  // namespace qx
