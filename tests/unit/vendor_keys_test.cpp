// The vendor keys of today's OpenJDK installers: each layout under the machine and the per-user root,
// the family each counts as under every "VM Provider" word, the switch that turns them off, and values
// an installer or an attacker may have left broken.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/find_java_runtime.h"
#include "runtime/registry_search.h"
#include "support/lib/java_registry.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using qxtest::JavaRegistry;
using qxtest::makeRuntime;

// What the search reads and writes, as the launcher holds it.
struct Search : RuntimeRequest, RuntimeChoice {};

enum Family { HotSpot, OpenJ9 };

// One installer's key as the installers write it: the full key holding the home value.
struct Layout {
    const wchar_t* key;
    const wchar_t* value;
    const char* kind;  // "JDK", "JRE", or "javac": a JDK only when bin\javac.exe is there
    Family family;
    int major;  // the version the subkey name gives
};

const Layout kLayouts[] = {
    {L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.8.9\\hotspot\\MSI", L"Path", "JDK", HotSpot, 21},
    {L"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.2.8\\hotspot\\MSI", L"Path", "JRE", HotSpot, 17},
    {L"SOFTWARE\\Eclipse Foundation\\JDK\\16.0.2.7\\hotspot\\MSI", L"Path", "JDK", HotSpot, 16},
    {L"SOFTWARE\\Eclipse Foundation\\JRE\\16.0.1.9\\hotspot\\MSI", L"Path", "JRE", HotSpot, 16},
    {L"SOFTWARE\\AdoptOpenJDK\\JDK\\11.0.10.9\\hotspot\\MSI", L"Path", "JDK", HotSpot, 11},
    {L"SOFTWARE\\AdoptOpenJDK\\JDK\\11.0.10.9\\openj9\\MSI", L"Path", "JDK", OpenJ9, 11},
    {L"SOFTWARE\\AdoptOpenJDK\\JRE\\8.0.282.8\\hotspot\\MSI", L"Path", "JRE", HotSpot, 8},
    {L"SOFTWARE\\AdoptOpenJDK\\JRE\\8.0.282.8\\openj9\\MSI", L"Path", "JRE", OpenJ9, 8},
    {L"SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", L"Path", "JDK", HotSpot, 17},
    {L"SOFTWARE\\Semeru\\JDK\\17.0.8.1\\openj9\\MSI", L"Path", "JDK", OpenJ9, 17},
    {L"SOFTWARE\\Semeru\\JRE\\11.0.20.1\\openj9\\MSI", L"Path", "JRE", OpenJ9, 11},
    {L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath", "javac", HotSpot, 17},
    {L"SOFTWARE\\BellSoft\\Liberica\\Liberica JDK 21", L"InstallationPath", "javac", HotSpot, 21},
    {L"SOFTWARE\\SapMachine\\JDK\\21", L"JavaHome", "JDK", HotSpot, 21},
};

// The "VM Provider" words as the loader maps them: accept and prefer for JRockit, Sun, IBM.
struct Provider {
    const char* word;
    uint8_t acceptRockit, preferRockit, acceptSun, preferSun, acceptIbm, preferIbm;
};
const Provider kProviders[] = {
    {"(default)", 0, 0, 1, 1, 0, 0}, {"jrockit", 1, 1, 0, 0, 0, 0},       {"ibm", 0, 0, 0, 0, 1, 1},
    {"favor_sun", 1, 0, 1, 1, 1, 0}, {"favor_jrockit", 1, 1, 1, 0, 1, 0}, {"favor_ibm", 1, 0, 1, 0, 1, 1},
    {"any", 1, 0, 1, 0, 1, 0},
};

void setProvider(RuntimeRequest& request, const Provider& p) {
    request.acceptJRockit = p.acceptRockit, request.preferJRockit = p.preferRockit;
    request.acceptSun = p.acceptSun, request.preferSun = p.preferSun;
    request.acceptIbm = p.acceptIbm, request.preferIbm = p.preferIbm;
}

class VendorKeys : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = qxtest::scratchDir(
            L"VendorKeys_" + qxtest::widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        search_.wantJdk = search_.wantJre = 1;
    }
    // The whole registry pass, machine root then user root; the candidates of every layout in order.
    std::wstring searched() {
        std::wstring home;
        return searchRegistry(search_, search_, RegistryView::Native, home, machine_.root(), user_.root())
                   ? home
                   : L"<none>";
    }
    std::vector<JreCandidate> collectAll(HKEY root) {
        std::vector<JreCandidate> list;
        for (const VendorLayout& layout : kVendorLayouts) {
            collectVendorCandidates(search_, list, layout, RegistryView::Native, root);
        }
        return list;
    }

    JavaRegistry machine_{JavaRegistry::Private{L"-machine"}};
    JavaRegistry user_{JavaRegistry::Private{L"-user"}};
    Search search_;
    std::wstring dir_;
};

TEST_F(VendorKeys, EveryLayoutIsFoundUnderBothRootsWithItsKindAndFamily) {
    const std::wstring jdk = makeRuntime(dir_ + L"\\jdk", {L"server"});
    qxtest::writeFile(jdk + L"\\bin\\javac.exe", "x");
    const std::wstring jre = makeRuntime(dir_ + L"\\jre", {L"server"});
    for (const Layout& layout : kLayouts) {
        const std::string what = qxtest::narrow(layout.key);
        for (JavaRegistry* registry : {&machine_, &user_}) {
            const std::string where = registry == &machine_ ? " under HKLM" : " under HKCU";
            // A "javac" layout is tried with the JDK folder; the home value may lack its backslash.
            const std::wstring home = std::string(layout.kind) == "JRE" ? jre : jdk;
            ASSERT_TRUE(registry->setString(layout.key, layout.value, home)) << what;

            search_.vendorKeys = 1;
            for (const Provider& provider : kProviders) {
                setProvider(search_, provider);
                const bool accepted = layout.family == HotSpot ? provider.acceptSun : provider.acceptIbm;
                EXPECT_EQ(searched(), accepted ? home + L"\\" : L"<none>")
                    << what << where << ", " << provider.word;
                const std::vector<JreCandidate> list = collectAll(registry->root());
                ASSERT_EQ(list.size(), accepted ? 1u : 0u) << what << where << ", " << provider.word;
                if (!accepted) continue;
                EXPECT_EQ(list[0].version.parts[0], layout.major) << what;
                const bool preferred = layout.family == HotSpot ? provider.preferSun : provider.preferIbm;
                EXPECT_EQ(list[0].preferred, preferred) << what << where << ", " << provider.word;
            }
            setProvider(search_, kProviders[6]);  // "any"

            // The kind comes from the key; a javac layout without bin\javac.exe is a JRE.
            const bool isJdk = std::string(layout.kind) != "JRE";
            search_.wantJdk = 1, search_.wantJre = 0, search_.allowOtherKind = 0;  // only_JDK
            EXPECT_EQ(searched() != L"<none>", isJdk) << what << where << ", only_JDK";
            search_.wantJdk = 0, search_.wantJre = 1;  // only_JRE
            EXPECT_EQ(searched() != L"<none>", !isJdk) << what << where << ", only_JRE";
            if (std::string(layout.kind) == "javac") {
                ASSERT_TRUE(registry->setString(layout.key, layout.value, jre));
                EXPECT_EQ(searched(), jre + L"\\") << what << where << ", no javac.exe, only_JRE";
                search_.wantJdk = 1, search_.wantJre = 0;
                EXPECT_EQ(searched(), L"<none>") << what << where << ", no javac.exe, only_JDK";
            }
            search_.wantJdk = 1, search_.allowOtherKind = 1;

            search_.vendorKeys = 0;
            EXPECT_EQ(searched(), L"<none>") << what << where << ", Vendor Keys=No";
            registry->clear();
        }
    }
}

TEST_F(VendorKeys, SevenRowsMachineAndUserKeysShareOneOrder) {
    const std::wstring a = makeRuntime(dir_ + L"\\a", {L"server"}),
                       b = makeRuntime(dir_ + L"\\b", {L"server"}),
                       c = makeRuntime(dir_ + L"\\c", {L"server"});
    ASSERT_TRUE(machine_.add(L"Software\\JavaSoft\\JDK\\", L"17.0.0", a));
    ASSERT_TRUE(machine_.setString(L"SOFTWARE\\Microsoft\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path", b));
    ASSERT_TRUE(user_.setString(L"SOFTWARE\\Eclipse Adoptium\\JRE\\11.0.2.1\\hotspot\\MSI", L"Path", c));
    EXPECT_EQ(searched(), b + L"\\") << "the highest version, wherever it is registered";
    search_.preferredVersions = {L"11"};
    EXPECT_EQ(searched(), c + L"\\");
    search_.preferredVersions.clear();
    search_.maximumVersion = JavaVersion{{20, 65535, 65535, 65535}};
    EXPECT_EQ(searched(), a + L"\\");
    // A tie keeps the pass order: the seven rows, the machine's vendor keys, the user's.
    ASSERT_TRUE(user_.setString(L"SOFTWARE\\SapMachine\\JDK\\17.0.1", L"JavaHome", c));
    ASSERT_TRUE(machine_.setString(L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.1\\hotspot\\MSI", L"Path", b));
    EXPECT_EQ(searched(), b + L"\\");
    ASSERT_TRUE(machine_.add(L"Software\\JavaSoft\\JRE\\", L"17.0.1", a));
    EXPECT_EQ(searched(), a + L"\\");
}

TEST_F(VendorKeys, HostileValuesArePassedOverAsInTheSevenRows) {
    const std::wstring good = makeRuntime(dir_ + L"\\good", {L"server"});
    const std::wstring noNul = good;
    const std::wstring big(32768, L'A');  // 64 KB naming nothing
    const DWORD dword = 0x00410041;
    const std::wstring temurin = L"SOFTWARE\\Eclipse Adoptium\\JDK\\";
    const std::wstring zulu = L"SOFTWARE\\Azul Systems\\Zulu\\";
    struct Value {
        std::wstring key;
        DWORD type;
        const void* data;
        DWORD size;
        bool kept;
    };
    const Value values[] = {
        {temurin + L"11.1\\hotspot\\MSI", REG_SZ, noNul.data(), static_cast<DWORD>(noNul.size() * 2), true},
        {temurin + L"11.2\\hotspot\\MSI", REG_EXPAND_SZ, good.c_str(),
         static_cast<DWORD>(good.size() * 2 + 2), true},
        {temurin + L"11.3\\hotspot\\MSI", REG_SZ, big.data(), static_cast<DWORD>(big.size() * 2), false},
        {temurin + L"11.4\\hotspot\\MSI", REG_DWORD, &dword, sizeof dword, false},
        {temurin + L"11.5\\hotspot\\MSI", REG_SZ, nullptr, 0, false},
        {temurin + L"11.6\\openj9\\MSI", REG_SZ, good.c_str(), static_cast<DWORD>(good.size() * 2 + 2),
         false},
        {temurin + L"11.7\\hotspot", REG_SZ, good.c_str(), static_cast<DWORD>(good.size() * 2 + 2), false},
        {zulu + L"zulu-12", REG_SZ, noNul.data(), static_cast<DWORD>(noNul.size() * 2), true},
        {zulu + L"zulu-13", REG_SZ, big.data(), static_cast<DWORD>(big.size() * 2), false},
    };
    for (const Value& v : values) {
        ASSERT_TRUE(machine_.setValue(
            v.key, v.key.find(L"Zulu") != std::wstring::npos ? L"InstallationPath" : L"Path", v.type, v.data,
            v.size));
    }
    // A RuntimeLib value is never read: the library is probed under the home folder.
    ASSERT_TRUE(
        machine_.setString(temurin + L"11.8\\hotspot\\MSI", L"RuntimeLib", good + L"\\bin\\server\\jvm.dll"));
    ASSERT_TRUE(machine_.setString(temurin + L"11.9\\hotspot\\MSI", L"Path", dir_ + L"\\missing"));
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(
            machine_.setString(L"SOFTWARE\\Microsoft\\JDK\\1." + std::to_wstring(i) + L"\\hotspot\\MSI",
                               L"Path", i == 1234 ? good : dir_ + L"\\missing"));
    }
    std::vector<std::wstring> kept;
    for (const JreCandidate& c : collectAll(machine_.root())) {
        EXPECT_EQ(c.home, good + L"\\");
        kept.push_back(std::to_wstring(c.version.parts[0]) + L"." + std::to_wstring(c.version.parts[1]));
    }
    EXPECT_EQ(kept, (std::vector<std::wstring>{L"11.1", L"11.2", L"1.1234", L"12.0"}));
}

}  // namespace
}  // namespace qx
