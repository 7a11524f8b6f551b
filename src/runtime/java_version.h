// Four-part Java version numbers. Pure text logic: no Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

struct JavaVersion {
    int32_t parts[4] = {0, 0, 0, 0};  // major, minor, micro, update
};

// Fill value for parts that a lower bound, a registry name or a preferred entry does not give.
constexpr int32_t kVersionFillLow = 0;
// Fill value for parts that an upper bound does not give ("1.8" -> 1.8.65535.65535).
constexpr int32_t kVersionFillHigh = 65535;

// Reads up to four digit groups from anywhere in `text` (any non-digit separates; later groups are
// ignored) and fills the parts no group reached with `fill`. "jdk-17.0.1+12" -> 17.0.1.12. Fails
// with `version` = 0.0.0.0 when the text has no digit or a group exceeds 2147483647.
[[nodiscard]] bool parseJavaVersion(const std::wstring& text, int32_t fill, JavaVersion& version);

// Negative, zero or positive as a is below, equal to or above b (parts compared in order, signed).
int compareJavaVersions(const JavaVersion& a, const JavaVersion& b);

// Printed form without trailing parts that are 0 or 65535, but always at least two parts:
// 1.8.65535.65535 -> "1.8", 17.0.0.0 -> "17.0", 1.0.0.5 -> "1.0.0.5"; all such parts -> "0.0.0.0".
std::wstring formatJavaVersion(const JavaVersion& version);

// True when all four parts are 0 or all are 65535: the bound was not given ("any", empty, no digits).
bool isUnsetBound(const JavaVersion& bound);

// True when `candidate` lies within [minimum, maximum]. A maximum of 0.0.0.0 (empty or digit-free
// "Maximum Version") is no upper bound here either: taken literally it would reject every runtime.
bool meetsVersionBounds(const JavaVersion& candidate, const JavaVersion& minimum, const JavaVersion& maximum);

// One "Preferred versions" entry against a candidate: the entry's parts up to its last non-zero part
// must equal the candidate's ("1.8" takes every 1.8.x.y; "0" or an empty entry takes everything).
bool matchesPreferredVersion(const std::wstring& entry, const JavaVersion& candidate);

// The catalogue message (217 to 221) of the requirement phrase and its arguments, printed versions.
struct RequirementMessage {
    unsigned id = 0;
    std::vector<std::wstring> args;
};
RequirementMessage requirementMessage(const JavaVersion& minimum, const JavaVersion& maximum);

}  // namespace qx
