// The configuration loader: every key into its launcher field, with the defaults, the layered "+"
// section, the per-user runtime folder under APPDATA and the embedded settings of a packaged copy.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "support/lib/embedded_resources.h"
#include "support/lib/stdout_capture.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using Names = std::vector<std::wstring>;

std::string versionText(const JavaVersion& v) {
    return std::to_string(v.parts[0]) + "." + std::to_string(v.parts[1]) + "." + std::to_string(v.parts[2]) +
           "." + std::to_string(v.parts[3]);
}

// Started by a test below with QXTEST_CONFIG_CHILD set, this program stands in for a packaged
// launcher: it loads its own configuration, prints a few fields and ends before any test runs.
[[maybe_unused]] const bool kChildRun = [] {
    if (GetEnvironmentVariableW(L"QXTEST_CONFIG_CHILD", nullptr, 0) == 0) return false;
    LauncherSettings launcher;
    const bool ok = loadConfiguration(launcher, qxtest::ownExecutable());
    const std::string out = "ok=" + std::to_string(ok) + "\nmainClass=" + qxtest::narrow(launcher.mainClass) +
                            "\nlibraryPath=" + qxtest::narrow(launcher.libraryPath) +
                            "\nminimumVersion=" + versionText(launcher.minimumVersion) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    ExitProcess(ok ? 0 : 1);
}();

class Configuration : public ::testing::Test {
protected:
    void SetUp() override {
        // A packaged application's place; nothing needs to be there but its settings file.
        exeDir_ = qxtest::scratchDir(L"ConfigurationApp");
        exe_ = exeDir_ + L"\\app.exe";
        settingsFile_ = exeDir_ + L"\\app.ini";
        baseName_ = L"app";
    }

    // Writes the settings file beside the application and loads fresh settings from it.
    bool load(const std::string& settings, LauncherSettings& launcher) {
        EXPECT_TRUE(qxtest::writeFile(settingsFile_, settings));
        return loadConfiguration(launcher, exe_);
    }
    // The per-user settings file for product name "A/B: D?" and product code "{C}".
    std::wstring userFile() const { return appData_ + L"\\AB D\\{C}\\" + baseName_ + L".ini"; }
    void writeUserFile(const std::string& content) {
        CreateDirectoryW((appData_ + L"\\AB D").c_str(), nullptr);
        CreateDirectoryW((appData_ + L"\\AB D\\{C}").c_str(), nullptr);
        ASSERT_TRUE(qxtest::writeFile(userFile(), content));
    }

    std::wstring exe_, exeDir_, settingsFile_, baseName_;
    const std::wstring appData_ = qxtest::scratchDir(L"ConfigurationAppData");
    const qxtest::ScopedEnvironmentVariable appDataVariable_{L"APPDATA", appData_};
};

constexpr char kMainClass[] = "[Java Runtime Environment]\r\nMain Class=com.example.App\r\n";

// The fields that settings words decide, on one line: bounds, service and omit flags, JVM type, runtime
// kinds (JDK, JRE, other), vendors (accept and prefer for JRockit, Sun, IBM), and the three "Yes"-flags.
std::string summary(const LauncherSettings& l) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "min=%s max=%s service=%d%d type=%d kinds=%d%d%d vendors=%d%d,%d%d,%d%d flags=%d%d%d",
                  versionText(l.minimumVersion).c_str(), versionText(l.maximumVersion).c_str(), l.isService,
                  l.omitServiceName, l.jvmType, l.wantJdk, l.wantJre, l.allowOtherKind, l.acceptJRockit,
                  l.preferJRockit, l.acceptSun, l.preferSun, l.acceptIbm, l.preferIbm, l.failureCheck,
                  l.overrideWorkingDir, l.pairReturnCode);
    return text;
}

constexpr char kDefaults[] = "min=0.0.0.0 max=0.0.0.0 service=00 type=0 kinds=111 vendors=00,11,00 flags=000";

TEST_F(Configuration, AMainClassAloneLeavesEveryOtherFieldAtItsDefault) {
    LauncherSettings launcher;
    ASSERT_TRUE(load(kMainClass, launcher));
    EXPECT_EQ(launcher.mainClass, L"com/example/App");
    EXPECT_EQ(summary(launcher), kDefaults);
    EXPECT_TRUE(launcher.preferredVersions.empty());
    EXPECT_EQ(launcher.productName + launcher.productCode + launcher.upgradeCode + launcher.jrePath +
                  launcher.systemPath + launcher.libraryPath + launcher.pairProduct,
              L"");
}

TEST_F(Configuration, EveryKeyReachesItsField) {
    LauncherSettings launcher;
    ASSERT_TRUE(
        load("[Product Information]\r\nProduct Code={C}\r\nUpgrade Code={U}\r\nProduct Name=My App\r\n"
             "[Java Runtime Environment]\r\nMinimum Version=1.8\r\nMaximum Version=11\r\n"
             "Preferred versions=1.8;;11;\r\nJRE Path=D:\\Java\r\nJVM Type=favor_server\r\n"
             "JVM Source=only_JDK\r\nVM Provider=favor_jrockit\r\nMain Class=a.b.Main\r\n"
             "System Path=C:\\bin\r\nLibrary Path=lib;native\r\n"
             "[Application]\r\nApplication Type=service\r\nOmit Service Name=1\r\nFailure Check=yes\r\n"
             "Override WorkingDir=YES\r\nPair Product=C:\\App\\run32.exe\r\nPair Return Code=Yes\r\n",
             launcher));
    EXPECT_EQ(launcher.productCode + L"|" + launcher.upgradeCode + L"|" + launcher.productName,
              L"{C}|{U}|My App");
    EXPECT_EQ(summary(launcher),
              "min=1.8.0.0 max=11.65535.65535.65535 service=11 type=2 kinds=100 vendors=11,10,10 flags=111");
    EXPECT_EQ(launcher.preferredVersions, (Names{L"1.8", L"", L"11"}));
    EXPECT_EQ(launcher.jrePath, L"D:\\Java");
    EXPECT_EQ(launcher.mainClass, L"a/b/Main");
    EXPECT_EQ(launcher.systemPath, L"C:\\bin");
    EXPECT_EQ(launcher.libraryPath, L"lib;native");
    EXPECT_EQ(launcher.pairProduct, L"C:\\App\\run32.exe");
}

TEST_F(Configuration, NoMainClassStopsWithOneErrorLineBeforeTheLaterKeys) {
    LauncherSettings launcher;
    bool ok = true;
    const std::string out = qxtest::captureStdout([&] {
        ok = load(
            "[Java Runtime Environment]\r\nJVM Type=server\r\nMain Class=\r\n"
            "[Application]\r\nFailure Check=Yes\r\nPair Product=C:\\run32.exe\r\n",
            launcher);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_EQ(launcher.jvmType, 1);
    EXPECT_EQ(launcher.failureCheck, 0);
    EXPECT_EQ(launcher.pairProduct, L"");
}

TEST_F(Configuration, SettingsWordsMapAsTheirTablesSay) {
    struct Case {
        const char* lines;  // below [Java Runtime Environment], after the main class
        const char* summary;
    };
    const Case cases[] = {
        {"Minimum Version=any\r\nMaximum Version=any", "min=0.0.0.0 max=65535.65535.65535.65535"},
        {"Minimum Version=1.8\r\nMaximum Version=1.8", "min=1.8.0.0 max=1.8.65535.65535"},
        {"Minimum Version=Any\r\nMaximum Version=ANY", "min=0.0.0.0 max=0.0.0.0"},
        {"Minimum Version=jre1.7.0_5\r\nMaximum Version=99999999999", "min=1.7.0.5 max=0.0.0.0"},
        {"[Application]\r\nApplication Type=service", "service=10"},
        {"[Application]\r\nApplication Type=Service\r\nOmit Service Name=yes", "service=00"},
        {"JVM Type=server", "type=1"},
        {"JVM Type=Server", "type=0"},
        {"JVM Source=favor_JRE", "kinds=011"},
        {"JVM Source=favor_JDK", "kinds=101"},
        {"JVM Source=only_JRE", "kinds=010"},
        {"JVM Source=favor_jre", "kinds=000"},
        {"VM Provider=jrockit", "vendors=11,00,00"},
        {"VM Provider=ibm", "vendors=00,00,11"},
        {"VM Provider=favor_sun", "vendors=10,11,10"},
        {"VM Provider=FAVOR_IBM", "vendors=10,10,11"},
        {"VM Provider=Any", "vendors=10,10,10"},
        {"VM Provider=sun", "vendors=00,11,00"},
        {"[Application]\r\nFailure Check=YES\r\nOverride WorkingDir=yes\r\nPair Return Code=Yes",
         "flags=111"},
        {"[Application]\r\nFailure Check=y\r\nOverride WorkingDir=1\r\nPair Return Code=yess", "flags=000"},
    };
    for (const Case& c : cases) {
        LauncherSettings launcher;
        ASSERT_TRUE(load(std::string(kMainClass) + c.lines + "\r\n", launcher));
        const std::string got = summary(launcher);
        // Only the named fields may differ from the defaults.
        std::string expected = kDefaults;
        for (size_t at = 0; c.summary[at] != '\0';) {
            const std::string field(c.summary + at, std::strcspn(c.summary + at, " "));
            const size_t start = expected.find(field.substr(0, field.find('=') + 1));
            expected.replace(start, expected.find(' ', start) - start, field);
            at += field.size() + (c.summary[at + field.size()] == ' ' ? 1 : 0);
        }
        EXPECT_EQ(got, expected) << c.lines;
    }
}

TEST_F(Configuration, VendorKeysAreOffOnlyForNoInAnyCase) {
    const struct {
        const char* value;
        uint8_t on;
    } cases[] = {{nullptr, 1}, {"No", 0}, {"nO", 0}, {"Yes", 1}, {"0", 1}, {"None", 1}, {"", 1}};
    for (const auto& c : cases) {
        LauncherSettings launcher;
        const std::string line = c.value ? std::string("Vendor Keys=") + c.value + "\r\n" : "";
        ASSERT_TRUE(load(std::string(kMainClass) + line, launcher));
        EXPECT_EQ(launcher.vendorKeys, c.on) << line;
    }
}

TEST_F(Configuration, PlusSectionExtendsWithALeadingSpaceWhenNothingElseGivesTheKey) {
    LauncherSettings launcher;
    ASSERT_TRUE(load(std::string(kMainClass) +
                         "Library Path=lib\r\n[Java Runtime Environment+]\r\nLibrary Path=ignored\r\n"
                         "System Path=C:\\tools\r\n[Application+]\r\nPair Product=C:\\run32.exe\r\n",
                     launcher));
    EXPECT_EQ(launcher.libraryPath, L"lib");
    EXPECT_EQ(launcher.systemPath, L" C:\\tools");
    EXPECT_EQ(launcher.pairProduct, L" C:\\run32.exe");
}

TEST_F(Configuration, RelativeJrePathHangsBelowTheExecutablesFolder) {
    struct Case {
        const char* value;
        std::wstring jrePath;
    };
    const Case cases[] = {
        {"jre", exeDir_ + L"\\jre"},
        {"\\jre", exeDir_ + L"\\\\jre"},
        {"j", exeDir_ + L"\\j"},
        {"..\\runtime", exeDir_ + L"\\..\\runtime"},
        {"D:\\Java", L"D:\\Java"},
        {"D:", L"D:"},
        {"\\\\server\\share\\jre", L"\\\\server\\share\\jre"},
        {"", L""},
    };
    for (const Case& c : cases) {
        LauncherSettings launcher;
        ASSERT_TRUE(load(std::string(kMainClass) + "JRE Path=" + c.value + "\r\n", launcher));
        EXPECT_EQ(launcher.jrePath, c.jrePath) << c.value;
    }
}

TEST_F(Configuration, PerUserFileAloneDecidesTheRuntimeFolderOfANormalApplication) {
    const std::string settings = std::string(kMainClass) +
                                 "JRE Path=E:\\Main\\jre\r\n"
                                 "[Product Information]\r\nProduct Name=A/B: D?\r\nProduct Code={C}\r\n";
    LauncherSettings withoutUserFile;
    ASSERT_TRUE(load(settings, withoutUserFile));
    EXPECT_EQ(withoutUserFile.jrePath, L"E:\\Main\\jre");

    writeUserFile("[Java Runtime Environment]\r\nJRE Path=D:\\User\\jre\r\n");
    LauncherSettings withUserPath;
    ASSERT_TRUE(load(settings, withUserPath));
    EXPECT_EQ(withUserPath.jrePath, L"D:\\User\\jre");

    writeUserFile("[Java Runtime Environment]\r\nJRE Path=private\r\n");
    LauncherSettings relative;
    ASSERT_TRUE(load(settings, relative));
    EXPECT_EQ(relative.jrePath, exeDir_ + L"\\private");

    writeUserFile("");
    LauncherSettings emptyUserFile;
    ASSERT_TRUE(load(settings, emptyUserFile));
    EXPECT_EQ(emptyUserFile.jrePath, L"");

    LauncherSettings service;
    ASSERT_TRUE(load(settings + "[Application]\r\nApplication Type=service\r\n", service));
    EXPECT_EQ(service.jrePath, L"E:\\Main\\jre");
}

TEST_F(Configuration, EmbeddedSettingsOfAPackagedCopyFillTheGaps) {
    const std::wstring dir = qxtest::scratchDir(L"ConfigurationEmbedded");
    ASSERT_TRUE(qxtest::copyWithSettings(qxtest::ownExecutable(), dir + L"\\app.exe", "{U-1}",
                                         L"inner pass phrase",
                                         L"[Java Runtime Environment]\r\nMain Class=com.example.Embedded\r\n"
                                         L"Library Path=embedded\r\nMinimum Version=1.8\r\n"));
    const auto run = [&](const std::string& settings) {
        EXPECT_TRUE(qxtest::writeFile(dir + L"\\app.ini", settings));
        qxtest::ChildOptions options;
        options.env[L"QXTEST_CONFIG_CHILD"] = L"1";
        return qxtest::runChild(qxtest::quote(dir + L"\\app.exe"), options);
    };

    const qxtest::ChildResult extended =
        run("[Product Information]\r\nUpgrade Code={U-1}\r\n"
            "[Java Runtime Environment]\r\nMinimum Version=11\r\n[Java Runtime Environment+]\r\nLibrary "
            "Path=more\r\n");
    EXPECT_EQ(extended.exitCode, 0u) << extended.out;
    EXPECT_EQ(extended.out,
              "ok=1\nmainClass=com/example/Embedded\nlibraryPath=embedded more\nminimumVersion=11.0.0.0\n");

    const qxtest::ChildResult otherCode = run("[Product Information]\r\nUpgrade Code={U-2}\r\n");
    EXPECT_EQ(otherCode.exitCode, 1u);
    EXPECT_EQ(otherCode.out.rfind("Error: ", 0), 0u) << otherCode.out;
    EXPECT_NE(otherCode.out.find("ok=0\nmainClass=\n"), std::string::npos) << otherCode.out;
}

}  // namespace
}  // namespace qx
