// The runtime search on this machine's registry and files: the seven vendor keys in both views, the
// candidate order, the configured folder and JAVA_HOME, and the architecture check of real libraries.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "runtime/find_java_runtime.h"
#include "runtime/registry_search.h"
#include "runtime/host_machine.h"
#include "runtime/runtime_architecture.h"
#include "support/lib/java_registry.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using qxtest::JavaRegistry;
using qxtest::makeRuntime;
using qxtest::View;

const std::wstring kJdk = L"Software\\JavaSoft\\JDK\\";
const std::wstring kJre = L"Software\\JavaSoft\\JRE\\";
const std::wstring kOldJdk = L"Software\\JavaSoft\\Java Development Kit\\";
const std::wstring kOldJre = L"Software\\JavaSoft\\Java Runtime Environment\\";
const std::wstring kRockitJre = L"Software\\JRockit\\Java Runtime Environment\\";
const std::wstring kRockitJdk = L"Software\\JRockit\\Java Development Kit\\";
const std::wstring kIbmJre = L"Software\\IBM\\Java2 Runtime Environment\\";
const std::wstring kRows[7] = {kJdk, kJre, kOldJdk, kOldJre, kRockitJre, kRockitJdk, kIbmJre};

// What the search reads and writes, as the launcher holds it.
struct Search : RuntimeRequest, RuntimeChoice {};

// A launcher as the settings leave it by default: both kinds searched and preferred, Sun only, no bounds
// given (an empty "Maximum Version" is 0.0.0.0).
class RuntimeSearch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = qxtest::scratchDir(
            L"RuntimeSearch_" +
            qxtest::widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        launcher_.wantJdk = launcher_.wantJre = 1;
    }
    // A runtime folder under the test's scratch folder.
    std::wstring runtime(const std::wstring& name, const std::vector<std::wstring>& vms = {L"server"}) {
        return makeRuntime(dir_ + L"\\" + name, vms);
    }
    // The candidates of the row whose key text is exactly `key`; none for any other text.
    std::vector<JreCandidate> collect(const std::wstring& key, View view = View::Native) {
        std::vector<JreCandidate> list;
        for (const RegistryRow& row : kRegistryRows) {
            if (key != row.key) continue;
            collectRegistryCandidates(launcher_, list, row,
                                      view == View::Native ? RegistryView::Native : RegistryView::Bits32,
                                      root_->root());
        }
        return list;
    }
    // The folder the registry search selects, or "<none>".
    std::wstring searched(RegistryView view = RegistryView::Native) {
        std::wstring home;
        return searchRegistry(launcher_, launcher_, view, home, root_->root()) ? home : L"<none>";
    }
    // The whole search; this program's folder holds no private runtime.
    bool find(Search& search) {
        return findJavaRuntime(search, search,
                               RuntimePlaces{qxtest::ownExecutable(), root_->root(), user_.root()});
    }

    // Runtimes registered in a private root; a test of the two registry views points root_ at the
    // machine's registry.
    JavaRegistry registry_{JavaRegistry::Private{}};
    JavaRegistry* root_ = &registry_;
    // Per-user vendor keys: private too, since end-to-end tests may register some in the real one.
    JavaRegistry user_{JavaRegistry::Private{L"-user"}};
    qxtest::ScopedEnvironmentVariable javaHome_{L"JAVA_HOME", nullptr};
    Search launcher_;
    std::wstring dir_;
};

TEST_F(RuntimeSearch, EveryKeyRowGivesItsFolderServerFlagAndPreference) {
    struct Row {
        const std::wstring& key;
        bool underJre;
    };
    const Row rows[7] = {{kJdk, false},       {kJre, false},      {kOldJdk, true}, {kOldJre, false},
                         {kRockitJre, false}, {kRockitJdk, true}, {kIbmJre, false}};
    for (int i = 0; i < 7; ++i) {
        const std::wstring home = runtime(L"row" + std::to_wstring(i + 1));
        // A JDK row's runtime lies in its "jre" folder; lay out both so the folder taken is visible.
        makeRuntime(home + L"\\jre", {L"client"});
        ASSERT_TRUE(registry_.add(rows[i].key, L"1." + std::to_wstring(i + 1), home));
    }
    // Preferred needs the key's kind wanted and its vendor favoured: favor_JDK with favor_jrockit.
    launcher_.wantJre = 0;
    launcher_.preferSun = 0;
    launcher_.preferJRockit = 1;
    const bool preferred[7] = {false, false, false, false, false, true, false};
    for (int i = 0; i < 7; ++i) {
        const std::vector<JreCandidate> list = collect(rows[i].key);
        ASSERT_EQ(list.size(), 1u) << i + 1;
        const std::wstring home = dir_ + L"\\row" + std::to_wstring(i + 1) + L"\\";
        EXPECT_EQ(list[0].home, rows[i].underJre ? home + L"jre\\" : home) << i + 1;
        EXPECT_EQ(list[0].server, !rows[i].underJre) << i + 1;
        EXPECT_EQ(list[0].preferred, preferred[i]) << i + 1;
        EXPECT_EQ(list[0].version.parts[1], i + 1);
    }
    // favor_JRE with favor_ibm: only the IBM row; the default settings: every Sun row.
    launcher_.wantJdk = 0, launcher_.wantJre = 1, launcher_.preferJRockit = 0, launcher_.preferIbm = 1;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(collect(rows[i].key)[0].preferred, i == 6) << i + 1;
    launcher_.wantJdk = 1, launcher_.preferIbm = 0, launcher_.preferSun = 1;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(collect(rows[i].key)[0].preferred, i < 4) << i + 1;
    EXPECT_TRUE(collect(L"Software\\JavaSoft\\JDK").empty()) << "only the seven texts are rows";
}

TEST_F(RuntimeSearch, ProviderAndSourceSelectTheRowsSearched) {
    struct Setting {
        const char* what;
        uint8_t jdk, jre, other, acceptRockit, preferRockit, acceptSun, preferSun, acceptIbm, preferIbm;
        const char* rows;  // which of the seven rows the search looks at
    };
    const Setting settings[] = {
        {"default", 1, 1, 1, 0, 0, 1, 1, 0, 0, "1234..."},
        {"ibm", 1, 1, 1, 0, 0, 0, 0, 1, 1, "......7"},
        {"jrockit", 1, 1, 1, 1, 1, 0, 0, 0, 0, "....56."},
        {"any", 1, 1, 1, 1, 0, 1, 0, 1, 0, "1234567"},
        {"only_JRE", 0, 1, 0, 0, 0, 1, 1, 0, 0, ".2.4..."},
        {"only_JDK + favor_jrockit", 1, 0, 0, 1, 1, 1, 0, 1, 0, "1.3..6."},
        {"favor_JRE keeps both kinds", 0, 1, 1, 0, 0, 1, 1, 0, 0, "1234..."},
        {"unknown source", 0, 0, 0, 0, 0, 1, 1, 0, 0, "......."},
    };
    const std::wstring home = runtime(L"rt");
    makeRuntime(home + L"\\jre", {L"server"});
    for (int row = 0; row < 7; ++row) {
        ASSERT_TRUE(registry_.add(kRows[row], L"11", home));
        for (const Setting& s : settings) {
            launcher_.wantJdk = s.jdk, launcher_.wantJre = s.jre, launcher_.allowOtherKind = s.other;
            launcher_.acceptJRockit = s.acceptRockit, launcher_.preferJRockit = s.preferRockit;
            launcher_.acceptSun = s.acceptSun, launcher_.preferSun = s.preferSun;
            launcher_.acceptIbm = s.acceptIbm, launcher_.preferIbm = s.preferIbm;
            EXPECT_EQ(searched() != L"<none>", s.rows[row] != '.') << s.what << ", row " << row + 1;
        }
        registry_.clear();
    }
}

TEST_F(RuntimeSearch, OldJreKeyIsProbedInDefaultOrderUnderFavorServer) {
    const std::wstring both = runtime(L"both", {L"client", L"server"});
    ASSERT_TRUE(registry_.add(kOldJre, L"1.8.0_301", both));
    ASSERT_TRUE(registry_.add(kJre, L"1.8.0_301", both));
    launcher_.jvmType = kJvmFavorServer;
    ASSERT_EQ(collect(kOldJre).size(), 1u);
    EXPECT_FALSE(collect(kOldJre)[0].server);
    EXPECT_TRUE(collect(kJre)[0].server);

    // Chosen anyway, its library is still found with the configured type.
    registry_.clear();
    ASSERT_TRUE(registry_.add(kOldJre, L"1.8.0_301", both));
    ASSERT_TRUE(find(launcher_));
    EXPECT_EQ(launcher_.jvmLibraryPath, both + L"\\bin\\server\\jvm.dll");

    // "server" requires the server library of every row, the old JRE key included.
    const std::wstring client = runtime(L"client", {L"client"});
    ASSERT_TRUE(registry_.add(kOldJre, L"17", client));
    launcher_.jvmType = kJvmServer;
    ASSERT_EQ(collect(kOldJre).size(), 1u);
    EXPECT_EQ(collect(kOldJre)[0].home, both + L"\\");
}

TEST_F(RuntimeSearch, CandidateOrderAndPreferredVersionsChooseTheRuntime) {
    const std::wstring jdk17 = runtime(L"jdk17", {L"client"}), jre8 = runtime(L"jre8", {L"client"});
    ASSERT_TRUE(registry_.add(kJdk, L"17.0.1", jdk17));
    ASSERT_TRUE(registry_.add(kOldJre, L"1.8.0_301", jre8));
    EXPECT_EQ(searched(), jdk17 + L"\\") << "default: both preferred, the higher version";
    launcher_.wantJdk = 0;  // favor_JRE
    EXPECT_EQ(searched(), jre8 + L"\\");
    launcher_.allowOtherKind = 0;  // only_JRE: the JDK key is not even searched
    EXPECT_EQ(collect(kJdk).size(), 1u);
    EXPECT_EQ(searched(), jre8 + L"\\");
    launcher_.wantJdk = 1, launcher_.wantJre = 0;  // only_JDK
    EXPECT_EQ(searched(), jdk17 + L"\\");

    // favor_server: both preferred, so the server library outranks the higher version.
    registry_.clear();
    launcher_.wantJre = 1, launcher_.allowOtherKind = 1, launcher_.jvmType = kJvmFavorServer;
    const std::wstring server11 = runtime(L"server11", {L"server"});
    ASSERT_TRUE(registry_.add(kJdk, L"11", server11));
    ASSERT_TRUE(registry_.add(kJre, L"17", jdk17));
    EXPECT_EQ(searched(), server11 + L"\\");
    launcher_.jvmType = kJvmAny;
    EXPECT_EQ(searched(), jdk17 + L"\\");

    registry_.clear();
    const std::wstring jre11 = runtime(L"jre11", {L"client"});
    ASSERT_TRUE(registry_.add(kJdk, L"17", jdk17));
    ASSERT_TRUE(registry_.add(kJre, L"11.0.2", jre11));
    ASSERT_TRUE(registry_.add(kOldJre, L"1.8.0_301", jre8));
    const struct {
        std::vector<std::wstring> preferred;
        std::wstring home;
    } picks[] = {{{L"11", L"1.8"}, jre11}, {{L"9", L"1.8"}, jre8}, {{L"9"}, jdk17}, {{L"1.8.0_301"}, jre8}};
    for (const auto& pick : picks) {
        launcher_.preferredVersions = pick.preferred;
        EXPECT_EQ(searched(), pick.home + L"\\") << qxtest::narrow(pick.preferred.front());
    }
}

TEST_F(RuntimeSearch, VersionBoundsFilterTheSubkeyNames) {
    const std::wstring home = runtime(L"rt", {L"client"});
    for (const wchar_t* name : {L"1.7", L"1.8", L"1.8.0_301", L"1.9", L"17.0.2", L"jre", L"1.4294967296"}) {
        ASSERT_TRUE(registry_.add(kJre, name, home));
    }
    auto versions = [&] {
        std::wstring text;
        for (const JreCandidate& c : collect(kJre)) {
            text += (text.empty() ? L"" : L" ") + std::to_wstring(c.version.parts[0]) + L"." +
                    std::to_wstring(c.version.parts[1]) + L"." + std::to_wstring(c.version.parts[3]);
        }
        return text;
    };
    struct Case {
        JavaVersion minimum, maximum;
        const wchar_t* found;  // major.minor.update of the names kept, as "a b c" in any order below
    };
    const JavaVersion none{}, any{{65535, 65535, 65535, 65535}};
    const Case cases[] = {
        // An empty maximum is no upper bound; the digit-free and the overflowing names are 0.0.0.0.
        {none, none, L"1.7.0 1.8.0 1.8.301 1.9.0 17.0.0 0.0.0 0.0.0"},
        {none, any, L"1.7.0 1.8.0 1.8.301 1.9.0 17.0.0 0.0.0 0.0.0"},
        {JavaVersion{{1, 8, 0, 0}}, JavaVersion{{1, 8, 65535, 65535}}, L"1.8.0 1.8.301"},
        {JavaVersion{{1, 8, 0, 301}}, any, L"1.8.301 1.9.0 17.0.0"},
        {JavaVersion{{1, 8, 0, 301}}, JavaVersion{{1, 8, 0, 301}}, L"1.8.301"},
        {none, JavaVersion{{1, 7, 65535, 65535}}, L"1.7.0 0.0.0 0.0.0"},
    };
    for (const Case& c : cases) {
        launcher_.minimumVersion = c.minimum;
        launcher_.maximumVersion = c.maximum;
        // Enumeration order is the registry's; compare as sets of words.
        std::wstring got = versions(), want = c.found;
        auto words = [](const std::wstring& text) {
            std::vector<std::wstring> list;
            for (size_t at = 0; at < text.size();) {
                size_t end = text.find(L' ', at);
                if (end == std::wstring::npos) end = text.size();
                list.push_back(text.substr(at, end - at));
                at = end + 1;
            }
            std::sort(list.begin(), list.end());
            return list;
        };
        EXPECT_EQ(words(got), words(want)) << qxtest::narrow(got);
    }
}

TEST_F(RuntimeSearch, UnusableRegistryEntriesArePassedOver) {
    const std::wstring good = runtime(L"good", {L"client"});
    const std::wstring goodDir = good + L"\\";
    const std::wstring file = dir_ + L"\\plain-file";
    qxtest::writeFile(file, "x");
    const std::wstring noNul = good;  // stored without its terminating NUL
    std::wstring big(32768, L'A');    // 64 KB of text naming nothing
    std::wstring bigGood = good + std::wstring(1, L'\0') + std::wstring(32000, L'B');
    const DWORD dword = 0x00410041;
    const std::wstring multi = good + std::wstring(1, L'\0') + L"C:\\other" + std::wstring(2, L'\0');
    const char oddBytes[] = {'Z', 0, ':', 0, '\\', 0, 'x'};

    ASSERT_TRUE(registry_.add(kJre, L"1.1 plain", good));
    ASSERT_TRUE(registry_.addRaw(kJre, L"1.2 no NUL", REG_SZ, noNul.data(),
                                 static_cast<DWORD>(noNul.size() * sizeof(wchar_t))));
    ASSERT_TRUE(registry_.addRaw(kJre, L"1.3 binary", REG_BINARY, good.c_str(),
                                 static_cast<DWORD>((good.size() + 1) * sizeof(wchar_t))));
    ASSERT_TRUE(registry_.addRaw(kJre, L"1.4 multi", REG_MULTI_SZ, multi.data(),
                                 static_cast<DWORD>(multi.size() * sizeof(wchar_t))));
    ASSERT_TRUE(registry_.addRaw(kJre, L"1.5 text after NUL", REG_SZ, bigGood.data(),
                                 static_cast<DWORD>(bigGood.size() * sizeof(wchar_t))));
    ASSERT_TRUE(registry_.addRaw(kJre, L"2.1 64 KB", REG_SZ, big.data(),
                                 static_cast<DWORD>(big.size() * sizeof(wchar_t))));
    ASSERT_TRUE(registry_.addRaw(kJre, L"2.2 dword", REG_DWORD, &dword, sizeof dword));
    ASSERT_TRUE(registry_.addRaw(kJre, L"2.3 odd length", REG_SZ, oddBytes, sizeof oddBytes));
    ASSERT_TRUE(registry_.addRaw(kJre, L"2.4 empty", REG_SZ, L"", sizeof(wchar_t)));
    ASSERT_TRUE(registry_.addRaw(kJre, L"2.5 no data", REG_SZ, nullptr, 0));
    ASSERT_TRUE(registry_.addEmpty(kJre, L"2.6 no value"));
    ASSERT_TRUE(registry_.add(kJre, L"2.7 a file", file));
    ASSERT_TRUE(registry_.add(kJre, L"2.8 missing", dir_ + L"\\missing"));
    ASSERT_TRUE(registry_.add(kJre, L"2.9 no library", makeRuntime(dir_ + L"\\empty", {})));
    ASSERT_TRUE(registry_.add(kJre, L"no digits", dir_ + L"\\missing"));
    ASSERT_TRUE(registry_.add(kJre, L"3.1234567890", dir_ + L"\\missing"));

    std::vector<std::wstring> kept;
    for (const JreCandidate& c : collect(kJre)) {
        EXPECT_EQ(c.home, goodDir) << c.version.parts[0] << "." << c.version.parts[1];
        kept.push_back(std::to_wstring(c.version.parts[0]) + L"." + std::to_wstring(c.version.parts[1]));
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::wstring>{L"1.1", L"1.2", L"1.3", L"1.4", L"1.5"}));
}

TEST_F(RuntimeSearch, ManySubkeysUnderOneKeyAreAllSeen) {
    const std::wstring home = runtime(L"rt", {L"client"});
    for (int i = 0; i < 2000; ++i) {
        // Most name a folder that does not exist; the highest version is the one real runtime.
        ASSERT_TRUE(registry_.add(kJdk, L"1." + std::to_wstring(i), i == 1234 ? home : dir_ + L"\\missing"));
    }
    ASSERT_TRUE(registry_.add(kJdk, L"9", dir_ + L"\\missing"));
    const std::vector<JreCandidate> list = collect(kJdk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].version.parts[1], 1234);
    EXPECT_EQ(searched(), home + L"\\");
}

// The search sorts on what the keys say and reads and probes only as far as the choice goes; looking
// at every runtime first, then sorting and choosing, must pick the same one. Runtimes registered at
// random in the seven rows and two vendor layouts (one that tells its kind by bin\javac.exe), with a
// client, a server or no library, some without a home value or folder, in versions that tie, under
// random preferences, VM types and preferred versions.
TEST_F(RuntimeSearch, LookingAsTheChoiceGoesChoosesWhatLookingAtEverythingChose) {
    const wchar_t* const kVersions[] = {L"1.8", L"1.8.0_301", L"11", L"11.0.2", L"17", L"17.0.1", L"21"};
    const wchar_t* const kPreferred[] = {L"11", L"17", L"1.8", L"9", L"21"};
    const std::vector<std::wstring> kLibraries[] = {{L"client"}, {L"server"}, {}};
    const wchar_t* const kLayouts[][2] = {{L"SOFTWARE\\Eclipse Adoptium\\JDK\\", L"\\hotspot\\MSI"},
                                          {L"SOFTWARE\\Azul Systems\\Zulu\\", L""}};
    std::mt19937 random(22);
    const auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    launcher_.acceptJRockit = launcher_.acceptIbm = 1;
    for (int round = 0; round < 12; ++round) {
        registry_.clear();
        for (int i = 0; i < 12; ++i) {
            const std::wstring home =
                runtime(L"r" + std::to_wstring(round) + L"-" + std::to_wstring(i), kLibraries[below(3)]);
            makeRuntime(home + L"\\jre", kLibraries[below(3)]);
            if (below(2)) qxtest::writeFile(home + L"\\bin\\javac.exe", "");
            // The words after the version keep equal versions under one key apart.
            const std::wstring name = kVersions[below(7)] + (L" #" + std::to_wstring(i));
            const std::wstring folder = below(8) ? home : home + L"-missing";
            switch (below(6)) {
                case 0: {
                    const auto& layout = kLayouts[below(2)];
                    const std::wstring value = *layout[1] ? L"Path" : L"InstallationPath";
                    ASSERT_TRUE(registry_.setString(layout[0] + name + layout[1], value, folder));
                    break;
                }
                case 1:
                    ASSERT_TRUE(registry_.addEmpty(kRows[below(7)], name));
                    break;
                default:
                    ASSERT_TRUE(registry_.add(kRows[below(7)], name, folder));
            }
        }
        launcher_.wantJdk = below(2), launcher_.wantJre = below(2);
        launcher_.preferSun = below(2), launcher_.preferJRockit = below(2), launcher_.preferIbm = below(2);
        launcher_.jvmType = static_cast<JvmType>(below(3));
        launcher_.preferredVersions.clear();
        for (size_t n = below(3); n > 0; --n) launcher_.preferredVersions.push_back(kPreferred[below(5)]);

        std::vector<JreCandidate> everything;
        for (const RegistryRow& row : kRegistryRows) {
            collectRegistryCandidates(launcher_, everything, row, RegistryView::Native, root_->root());
        }
        for (const VendorLayout& layout : kVendorLayouts) {
            collectVendorCandidates(launcher_, everything, layout, RegistryView::Native, root_->root());
        }
        sortCandidates(everything, launcher_.allowOtherKind, launcher_.jvmType);
        const JreCandidate* chosen = selectCandidate(everything, launcher_.preferredVersions);
        std::wstring home;
        EXPECT_EQ(
            searchRegistry(launcher_, launcher_, RegistryView::Native, home, root_->root(), user_.root())
                ? home
                : L"<none>",
            chosen ? chosen->home : L"<none>")
            << "round " << round;
    }
}

TEST_F(RuntimeSearch, ThirtyTwoBitViewOnlyWithAPairProductAndThenItRelaunches) {
    JavaRegistry machine;  // only the machine's registry has two views
    root_ = &machine;
    const std::wstring x86 = runtime(L"x86", {L"client"}), x64 = runtime(L"x64", {L"client"});
    ASSERT_TRUE(machine.add(kJre, L"1.8", x86, View::Bits32));
    EXPECT_TRUE(collect(kJre).empty()) << "the native view does not see it";
    EXPECT_EQ(collect(kJre, View::Bits32).size(), 1u);

    EXPECT_FALSE(find(launcher_));
    EXPECT_EQ(launcher_.relaunchAsPair, 0);

    launcher_.pairProduct = dir_ + L"\\pair.exe";
    ASSERT_TRUE(find(launcher_));
    EXPECT_EQ(launcher_.jvmLibraryPath, x86 + L"\\bin\\client\\jvm.dll");
    EXPECT_EQ(launcher_.relaunchAsPair, 1);

    // A lower native runtime wins over the 32-bit view, and then nothing is relaunched.
    ASSERT_TRUE(machine.add(kJre, L"1.6", x64));
    Search fresh;
    fresh.wantJdk = fresh.wantJre = 1;
    fresh.pairProduct = launcher_.pairProduct;
    ASSERT_TRUE(find(fresh));
    EXPECT_EQ(fresh.jvmLibraryPath, x64 + L"\\bin\\client\\jvm.dll");
    EXPECT_EQ(fresh.relaunchAsPair, 0);
}

TEST_F(RuntimeSearch, SourcesAreTriedInOrder) {
    const std::wstring configured = runtime(L"configured", {L"client"});
    const std::wstring registered = runtime(L"registered", {L"server"});
    const std::wstring javaHome = runtime(L"javahome", {L"server"});
    ASSERT_TRUE(registry_.add(kJdk, L"17", registered));
    SetEnvironmentVariableW(L"JAVA_HOME", javaHome.c_str());

    struct Case {
        const char* what;
        std::wstring jrePath;
        int32_t jvmType;
        bool registry;
        std::wstring library;
    };
    const Case cases[] = {
        {"configured first", configured, 0, true, configured + L"\\bin\\client\\jvm.dll"},
        {"configured with a backslash", configured + L"\\", 0, true, configured + L"\\bin\\client\\jvm.dll"},
        {"configured without a server library", configured, 1, true, registered + L"\\bin\\server\\jvm.dll"},
        {"configured folder missing", dir_ + L"\\nothing", 0, true, registered + L"\\bin\\server\\jvm.dll"},
        {"registry before JAVA_HOME", L"", 0, true, registered + L"\\bin\\server\\jvm.dll"},
        {"JAVA_HOME last", L"", 0, false, javaHome + L"\\bin\\server\\jvm.dll"},
    };
    for (const Case& c : cases) {
        if (!c.registry) registry_.clear();
        Search launcher;
        launcher.wantJdk = launcher.wantJre = 1;
        launcher.jrePath = c.jrePath;
        launcher.jvmType = static_cast<JvmType>(c.jvmType);
        EXPECT_TRUE(find(launcher)) << c.what;
        EXPECT_EQ(launcher.jvmLibraryPath, c.library) << c.what;
        EXPECT_EQ(launcher.relaunchAsPair, 0) << c.what;
    }
}

TEST_F(RuntimeSearch, JavaHomeIsUsedOnlyWhenSetAndHoldingJavaDll) {
    const std::wstring good = runtime(L"good", {L"client"});
    const std::wstring noJavaDll = makeRuntime(dir_ + L"\\nojava", {L"client"}, false);
    const std::wstring noLibrary = makeRuntime(dir_ + L"\\nolib", {});
    const std::wstring longPath = L"C:\\" + std::wstring(31990, L'j');
    struct Case {
        bool set;
        std::wstring value;
        bool found;
    };
    const Case cases[] = {
        {true, good, true},       {true, good + L"\\", true},    {false, L"", false},
        {true, L"", false},       {true, L"%JAVA_HOME%", false}, {true, noJavaDll, false},
        {true, noLibrary, false}, {true, longPath, false},       {true, L"Z:\\no\\such\\folder", false},
    };
    for (const Case& c : cases) {
        const std::string what = c.set ? "'" + qxtest::narrow(c.value.substr(0, 60)) + "'" : "<unset>";
        ASSERT_TRUE(SetEnvironmentVariableW(L"JAVA_HOME", c.set ? c.value.c_str() : nullptr)) << what;
        Search launcher;
        launcher.wantJdk = launcher.wantJre = 1;
        EXPECT_EQ(find(launcher), c.found) << what;
        EXPECT_EQ(launcher.jvmLibraryPath, c.found ? good + L"\\bin\\client\\jvm.dll" : L"") << what;
    }
}

// The architecture check reads real files: the 32-bit and 64-bit test libraries and broken copies (the
// byte-level cases are the PE header tests').
TEST_F(RuntimeSearch, OnlyAnX86ImageWithAPairProductRelaunches) {
    std::string x86;
    ASSERT_TRUE(qxtest::readFile(qxtest::runtimeHome(L"x86") + L"\\bin\\client\\jvm.dll", x86));
    std::string x64;
    ASSERT_TRUE(qxtest::readFile(qxtest::runtimeHome(L"noexports") + L"\\bin\\server\\jvm.dll", x64));
    ASSERT_GT(x86.size(), 0x200u);
    const uint32_t lfanew = *reinterpret_cast<const uint32_t*>(x86.data() + 0x3C);
    std::string farHeader = x86;
    farHeader[0x3C] = '\xF0', farHeader[0x3D] = '\xFF', farHeader[0x3E] = '\xFF', farHeader[0x3F] = '\x7F';

    struct Case {
        const char* what;
        std::string bytes;
        bool relaunch;
    };
    const Case cases[] = {
        {"x86 library", x86, true},
        {"x64 library", x64, false},
        {"empty file", "", false},
        {"garbage", std::string(4096, '\x5A'), false},
        {"cut before the NT headers", x86.substr(0, lfanew + 2), false},
        {"cut inside the optional header", x86.substr(0, lfanew + 24 + 20), false},
        {"NT headers beyond the end", farHeader, false},
    };
    for (const Case& c : cases) {
        const std::wstring home =
            makeRuntime(dir_ + L"\\" + qxtest::widen(c.what), {L"client"}, true, c.bytes);
        for (bool pair : {false, true}) {
            Search launcher;
            launcher.jrePath = home;
            launcher.relaunchAsPair = 1;
            if (pair) launcher.pairProduct = dir_ + L"\\pair.exe";
            ASSERT_TRUE(find(launcher)) << c.what;
            EXPECT_EQ(launcher.relaunchAsPair, pair && c.relaunch) << c.what << (pair ? " with pair" : "");
        }
    }

    // The same check follows JAVA_HOME, but not a private or registry runtime, and a missing file is none.
    const std::wstring home = makeRuntime(dir_ + L"\\x86home", {L"client"}, true, x86);
    SetEnvironmentVariableW(L"JAVA_HOME", home.c_str());
    Search viaJavaHome;
    viaJavaHome.pairProduct = dir_ + L"\\pair.exe";
    ASSERT_TRUE(find(viaJavaHome));
    EXPECT_EQ(viaJavaHome.relaunchAsPair, 1);

    viaJavaHome.jvmLibraryPath = dir_ + L"\\no-such.dll";
    checkRuntimeArchitecture(viaJavaHome, viaJavaHome);
    EXPECT_EQ(viaJavaHome.relaunchAsPair, 0);
    viaJavaHome.jvmLibraryPath = home;  // a folder
    checkRuntimeArchitecture(viaJavaHome, viaJavaHome);
    EXPECT_EQ(viaJavaHome.relaunchAsPair, 0);

    ASSERT_TRUE(registry_.add(kJre, L"1.8", home));
    Search viaRegistry;
    viaRegistry.pairProduct = dir_ + L"\\pair.exe";
    ASSERT_TRUE(find(viaRegistry));
    EXPECT_EQ(viaRegistry.jvmLibraryPath, home + L"\\bin\\client\\jvm.dll");
    EXPECT_EQ(viaRegistry.relaunchAsPair, 0);
}

// The ARM64 launcher's rule, on real files: it takes ARM64 images only (the ARM64 launcher is one),
// whatever else a runtime folder holds. The x64 launcher reads nothing and takes every library.
TEST_F(RuntimeSearch, OnlyTheArm64LauncherPassesOverLibrariesOfAnotherMachine) {
    std::string arm64, x64, x86;
    ASSERT_TRUE(qxtest::readFile(qxtest::arm64LauncherExe(), arm64));
    ASSERT_TRUE(qxtest::readFile(qxtest::runtimeHome(L"noexports") + L"\\bin\\server\\jvm.dll", x64));
    ASSERT_TRUE(qxtest::readFile(qxtest::runtimeHome(L"x86") + L"\\bin\\client\\jvm.dll", x86));
    const uint32_t lfanew = *reinterpret_cast<const uint32_t*>(arm64.data() + 0x3C);
    const struct {
        const char* what;
        std::string bytes;
        bool arm64Takes;
    } cases[] = {
        {"arm64 image", arm64, true},
        {"x64 library", x64, false},
        {"x86 library", x86, false},
        {"empty file", "", false},
        {"text", "ARM64\r\n", false},
        {"arm64 image cut inside its headers", arm64.substr(0, lfanew + 30), false},
    };
    for (const auto& c : cases) {
        const std::wstring path = dir_ + L"\\" + qxtest::widen(c.what) + L".dll";
        ASSERT_TRUE(qxtest::writeFile(path, c.bytes)) << c.what;
        EXPECT_EQ(hostsRuntimeLibrary(path, kMachineArm64), c.arm64Takes) << c.what;
        EXPECT_TRUE(hostsRuntimeLibrary(path, kMachineAmd64)) << c.what;
    }
    EXPECT_FALSE(hostsRuntimeLibrary(dir_ + L"\\missing.dll", kMachineArm64));
    EXPECT_FALSE(hostsRuntimeLibrary(dir_, kMachineArm64)) << "a folder";
}

}  // namespace
}  // namespace qx
