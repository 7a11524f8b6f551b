// Java version numbers: reading them from version texts, ordering and printing them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "diag/format_message.h"
#include "runtime/java_version.h"
#include "support/lib/test_env.h"

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

TEST(MatchesPreferredVersion, EntryPartsUpToItsLastNonZeroPartMustAgree) {
    struct Case {
        const wchar_t* entry;
        JavaVersion candidate;
        bool matches;
    };
    const Case cases[] = {
        {L"1.8", v(1, 8, 0, 301), true},
        {L"1.8", v(1, 8, 0, 0), true},
        {L"1.8", v(1, 7, 0, 80), false},
        {L"1.8", v(11, 8, 0, 0), false},
        {L"11", v(11, 0, 2, 0), true},
        {L"11", v(1, 11, 0, 0), false},
        {L"1.8.0_301", v(1, 8, 0, 301), true},
        {L"1.8.0_301", v(1, 8, 0, 302), false},
        {L"1.0.5", v(1, 0, 5, 0), true},
        {L"1.0.5", v(1, 0, 5, 9), true},
        {L"1.0.5", v(1, 1, 5, 0), false},
        {L"0", v(17, 0, 1, 0), true},
        {L"", v(1, 8, 0, 0), true},
        {L"latest", v(21, 0, 0, 0), true},
        {L"17", v(0, 0, 0, 0), false},
        {L"99999999999", v(1, 8, 0, 0), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesPreferredVersion(c.entry, c.candidate), c.matches)
            << "'" << c.entry << "' " << str(c.candidate);
    }
}

TEST(VersionBounds, BothEndsInclusiveAndAnEmptyMaximumIsNoBound) {
    const JavaVersion min18 = v(1, 8, 0, 0), max18 = v(1, 8, 65535, 65535), none = v(0, 0, 0, 0);
    const JavaVersion any = v(65535, 65535, 65535, 65535);
    struct Case {
        JavaVersion candidate, minimum, maximum;
        bool meets;
    };
    const Case cases[] = {
        {v(1, 8, 0, 0), min18, max18, true},
        {v(1, 8, 0, 301), min18, max18, true},
        {v(1, 7, 0, 99), min18, max18, false},
        {v(1, 9, 0, 0), min18, max18, false},
        {v(1, 8, 0, 301), v(1, 8, 0, 301), v(1, 8, 0, 301), true},
        {v(1, 8, 0, 300), v(1, 8, 0, 301), any, false},
        {v(17, 0, 0, 0), none, none, true},
        {v(0, 0, 0, 0), none, none, true},
        {v(17, 0, 0, 0), min18, none, true},
        {v(1, 7, 0, 0), min18, none, false},
        {v(17, 0, 0, 0), none, any, true},
        {v(17, 0, 0, 0), none, v(11, 65535, 65535, 65535), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meetsVersionBounds(c.candidate, c.minimum, c.maximum), c.meets)
            << str(c.candidate) << " in " << str(c.minimum) << " .. " << str(c.maximum);
    }
}

// Catalogue texts come from the launcher's own string table; test programs have none.
std::wstring launcherText(unsigned id) {
    const HMODULE module = LoadLibraryExW(qxtest::launcherExe().c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return L"<no launcher>";
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    std::wstring result = length > 0 ? std::wstring(text, length) : L"<missing>";
    FreeLibrary(module);
    return result;
}

TEST(RequirementText, PhraseFollowsWhichBoundsAreSet) {
    // The bounds as the settings give them: "any", else parsed with fill 0 (minimum) or 65535 (maximum).
    auto minimum = [](const wchar_t* text) {
        JavaVersion version;
        if (std::wstring(text) != L"any") static_cast<void>(parseJavaVersion(text, kVersionFillLow, version));
        return version;
    };
    auto maximum = [](const wchar_t* text) {
        JavaVersion version = v(65535, 65535, 65535, 65535);
        if (std::wstring(text) != L"any")
            static_cast<void>(parseJavaVersion(text, kVersionFillHigh, version));
        return version;
    };
    struct Case {
        const wchar_t *min, *max;
        unsigned id;
        const wchar_t* phrase;
    };
    const Case cases[] = {
        {L"any", L"any", 217, L"latest version"},
        {L"", L"", 217, L"latest version"},
        {L"none", L"any", 217, L"latest version"},
        {L"1.8", L"any", 219, L"minimum version 1.8"},
        {L"1.8", L"", 219, L"minimum version 1.8"},
        {L"any", L"1.6", 218, L"maximum version 1.6"},
        {L"", L"17", 218, L"maximum version 17.65535"},
        {L"1.8", L"1.8", 221, L"version between 1.8 and 1.8"},
        {L"1.8.0_301", L"1.8.0_301", 220, L"version 1.8.0.301 is required"},
        {L"11", L"17", 221, L"version between 11.0 and 17.65535"},
    };
    for (const Case& c : cases) {
        const RequirementMessage message = requirementMessage(minimum(c.min), maximum(c.max));
        EXPECT_EQ(message.id, c.id) << "'" << c.min << "' '" << c.max << "'";
        const std::vector<FormatArg> args(message.args.begin(), message.args.end());
        EXPECT_EQ(formatMessage(launcherText(message.id), args), c.phrase)
            << "'" << c.min << "' '" << c.max << "'";
    }
}

}  // namespace
}  // namespace qx
