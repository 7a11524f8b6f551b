// Ordering registry runtimes and choosing one by the preferred versions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/jre_candidate.h"

namespace qx {
namespace {

JreCandidate c(const wchar_t* home, JavaVersion version, bool server = false, bool preferred = false) {
    JreCandidate candidate;
    candidate.version = version;
    candidate.home = home;
    candidate.server = server;
    candidate.preferred = preferred;
    return candidate;
}

JavaVersion v(int32_t a, int32_t b, int32_t c = 0, int32_t d = 0) { return JavaVersion{{a, b, c, d}}; }

std::wstring homes(const std::vector<JreCandidate>& list) {
    std::wstring text;
    for (const JreCandidate& candidate : list) text += (text.empty() ? L"" : L" ") + candidate.home;
    return text;
}

TEST(SortCandidates, PreferredThenServerThenHigherVersionStably) {
    struct Case {
        const char* what;
        bool allowOtherKind;
        int32_t jvmType;
        std::vector<JreCandidate> list;
        const wchar_t* order;
    };
    const Case cases[] = {
        {"version alone", true, 0, {c(L"a", v(1, 8)), c(L"b", v(17, 0)), c(L"c", v(11, 0, 2))}, L"b c a"},
        {"preferred beats version",
         true,
         0,
         {c(L"jdk17", v(17, 0), false, false), c(L"jre8", v(1, 8), false, true)},
         L"jre8 jdk17"},
        {"preferred ignored for only_ kinds",
         false,
         0,
         {c(L"jre8", v(1, 8), false, true), c(L"jdk17", v(17, 0), false, false)},
         L"jdk17 jre8"},
        {"server beats version under favor_server",
         true,
         2,
         {c(L"client17", v(17, 0), false, true), c(L"server11", v(11, 0), true, true)},
         L"server11 client17"},
        {"server ignored for other types",
         true,
         1,
         {c(L"server11", v(11, 0), true, true), c(L"client17", v(17, 0), false, true)},
         L"client17 server11"},
        {"preferred before server",
         true,
         2,
         {c(L"server17", v(17, 0), true, false), c(L"client8", v(1, 8), false, true)},
         L"client8 server17"},
        {"equal candidates keep discovery order",
         true,
         2,
         {c(L"x", v(11, 0), true, true), c(L"y", v(11, 0), true, true), c(L"old", v(1, 6)),
          c(L"z", v(11, 0), true, true)},
         L"x y z old"},
    };
    for (const Case& k : cases) {
        std::vector<JreCandidate> list = k.list;
        sortCandidates(list, k.allowOtherKind, k.jvmType);
        EXPECT_EQ(homes(list), k.order) << k.what;
    }
}

TEST(SelectCandidate, FirstEntryThatMatchesAnythingDecides) {
    const std::vector<JreCandidate> sorted = {c(L"17", v(17, 0)), c(L"11.0.2", v(11, 0, 2)),
                                              c(L"11.0.1", v(11, 0, 1)), c(L"1.8", v(1, 8, 0, 301))};
    struct Case {
        std::vector<std::wstring> preferred;
        const wchar_t* chosen;
    };
    const Case cases[] = {
        {{L"11", L"1.8"}, L"11.0.2"},
        {{L"9", L"1.8"}, L"1.8"},
        {{L"9"}, L"17"},
        {{}, L"17"},
        {{L"1.8", L"11"}, L"1.8"},
        {{L"11.0.1"}, L"11.0.1"},
        {{L"", L"1.8"}, L"17"},
        {{L"x", L"1.8"}, L"17"},
        {{L"1.8.0_300", L"11.0"}, L"11.0.2"},
    };
    for (const Case& k : cases) {
        const JreCandidate* chosen = selectCandidate(sorted, k.preferred);
        ASSERT_NE(chosen, nullptr);
        std::wstring list;
        for (const std::wstring& entry : k.preferred) list += entry + L";";
        EXPECT_EQ(chosen->home, k.chosen) << "preferred '" << list << "'";
    }
    EXPECT_EQ(selectCandidate({}, {L"11"}), nullptr);
}

}  // namespace
}  // namespace qx
