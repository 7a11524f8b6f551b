// Java version numbers: reading them from version texts, ordering and printing them.
#include <gtest/gtest.h>

#include <string>

#include "runtime/java_version.h"

namespace qx {
namespace {

JavaVersion v(int32_t a, int32_t b, int32_t c, int32_t d) { return JavaVersion{{a, b, c, d}}; }

std::wstring str(const JavaVersion& version) {
    std::wstring text;
    for (int i = 0; i < 4; ++i) text += (i ? L"." : L"") + std::to_wstring(version.parts[i]);
    return text;
}

struct ParseCase {
    const wchar_t* text;
    int32_t fill;
    bool ok;
    JavaVersion version;
};

TEST(ParseJavaVersion, ReadsFourDigitGroupsFromAnywhereAndFillsTheRest) {
    const ParseCase cases[] = {
        {L"1.8.0_301", 0, true, v(1, 8, 0, 301)},     {L"11.0.2", 0, true, v(11, 0, 2, 0)},
        {L"11.0.2", 65535, true, v(11, 0, 2, 65535)}, {L"17", 0, true, v(17, 0, 0, 0)},
        {L"jdk-17.0.1+12", 0, true, v(17, 0, 1, 12)}, {L"1.8.0_301-b09", 0, true, v(1, 8, 0, 301)},
        {L"1.6", 65535, true, v(1, 6, 65535, 65535)}, {L"jre1.7", 0, true, v(1, 7, 0, 0)},
        {L" 1 x 2 ", 7, true, v(1, 2, 7, 7)},         {L"2147483647", 0, true, v(2147483647, 0, 0, 0)},
        {L"0002.010", 0, true, v(2, 10, 0, 0)},       {L"1.2.3.4.99999999999", 0, true, v(1, 2, 3, 4)},
        {L"1.2147483648", 0, false, v(0, 0, 0, 0)},   {L"99999999999", 65535, false, v(0, 0, 0, 0)},
        {L"", 65535, false, v(0, 0, 0, 0)},           {L"any", 0, false, v(0, 0, 0, 0)},
        {L"Any", 65535, false, v(0, 0, 0, 0)},
    };
    for (const ParseCase& c : cases) {
        JavaVersion version = v(9, 9, 9, 9);
        EXPECT_EQ(parseJavaVersion(c.text, c.fill, version), c.ok) << "'" << c.text << "'";
        EXPECT_EQ(str(version), str(c.version)) << "'" << c.text << "' fill " << c.fill;
    }
}

TEST(CompareJavaVersions, FirstDifferingPartDecidesAsSignedNumber) {
    struct Case {
        JavaVersion a, b;
        int order;
    };
    const Case cases[] = {
        {v(1, 8, 0, 301), v(1, 8, 0, 301), 0}, {v(1, 8, 0, 0), v(1, 8, 65535, 65535), -1},
        {v(11, 0, 0, 0), v(1, 8, 0, 301), 1},  {v(1, 8, 0, 301), v(1, 8, 1, 0), -1},
        {v(17, 0, 0, 2), v(17, 0, 0, 1), 1},   {v(-1, 0, 0, 0), v(0, 0, 0, 0), -1},
    };
    for (const Case& c : cases) {
        const int order = compareJavaVersions(c.a, c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << str(c.a) << " vs " << str(c.b);
        const int reverse = compareJavaVersions(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.order) << str(c.b) << " vs " << str(c.a);
    }
}

TEST(FormatJavaVersion, DropsTrailingUnsetPartsButKeepsTwo) {
    struct Case {
        JavaVersion version;
        const wchar_t* text;
    };
    const Case cases[] = {
        {v(1, 8, 0, 301), L"1.8.0.301"},
        {v(11, 0, 2, 0), L"11.0.2"},
        {v(1, 8, 65535, 65535), L"1.8"},
        {v(17, 0, 0, 0), L"17.0"},
        {v(17, 65535, 65535, 65535), L"17.65535"},
        {v(1, 0, 0, 5), L"1.0.0.5"},
        {v(0, 0, 0, 0), L"0.0.0.0"},
        {v(65535, 65535, 65535, 65535), L"0.0.0.0"},
        {v(0, 0, 3, 0), L"0.0.3"},
        {v(-2, 0, 0, 0), L"-2.0"},
        {v(1, 65535, 0, 65535), L"1.65535"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatJavaVersion(c.version), c.text) << str(c.version);
}

}  // namespace
}  // namespace qx
