#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/text_codec.h"
#include "settings/class_path_probe.h"
#include "settings/settings_lint.h"
#include "settings/splash_image.h"

namespace qxpack {
namespace {

constexpr char kMain[] = "[Java Runtime Environment]\r\nMain Class=demo.Main\r\n";

// Every pattern is named by the test: Found unless it mentions "missing".
PathProbe fakeProbe(const std::u16string& pattern) {
    return toUtf8(pattern).find("missing") == std::string::npos ? PathProbe::Found : PathProbe::Missing;
}

// Every image is named by the test: missing when its name says so, not an image when it is a .bmp.
ImageProbe fakeImageProbe(const std::u16string& path) {
    const std::string name = toUtf8(path);
    return name.find("missing") != std::string::npos ? ImageProbe::Missing
           : name.rfind(".bmp") == name.size() - 4   ? ImageProbe::NotAnImage
                                                     : ImageProbe::SplashImage;
}

std::vector<LintFinding> lint(const std::string& text, const ClassPathProber& probe = fakeProbe) {
    return lintSettings({LintInput{"app.ini", fromUtf8(text), u"C:\\app"}}, probe, fakeImageProbe);
}

TEST(SettingsCheck, TextOutsideAsciiIsCertainWithAByteOrderMark) {
    const std::u16string text = fromUtf8(std::string(kMain) +
                                         "Virtual Machine Parameters=-Dp=Gr\xC3\xB6\xC3\x9F"
                                         "e\r\n");
    EXPECT_TRUE(lintSettings({LintInput{"app.ini", text, u"C:\\app", true}}, fakeProbe).empty());
}

TEST(SettingsCheck, ReportsEachProblemOnItsLineWithItsSeverity) {
    const struct {
        const char* lines;  // appended after the main class, from line 3 on
        Severity severity;
        const char* words;  // a piece of the sentence of the last finding
        size_t count = 1;
    } cases[] = {
        {"Single Instance=yes\r\n", Severity::Warning, "belongs in section [Application]"},
        {"Colour=red\r\n", Severity::Warning, "unknown key \"Colour\""},
        {"[Extras]\r\n", Severity::Warning, "unknown section [Extras]"},
        {"[Runtime]\r\nJRE Path=jre\r\n", Severity::Warning, "belongs in section [Java Runtime Environment]",
         2},
        {"[Application]\r\nOutput Append=Yes\r\n", Severity::Warning, "only for \"yes\" in lower case"},
        {"[Application]\r\nError Append=YES\r\n", Severity::Warning, "only for \"yes\" in lower case"},
        {"[Application]\r\nFailure Check=on\r\n", Severity::Warning, "\"on\" leaves it off"},
        {"Minimum Version=Any\r\n", Severity::Error, "lower case only"},
        {"Maximum Version=latest\r\n", Severity::Error, "is not a version"},
        {"Preferred versions=11;next\r\n", Severity::Error, "entry \"next\" is not a version"},
        {"JVM Type=Server\r\n", Severity::Warning, "client VM"},
        {"JVM Source=favor_jre\r\n", Severity::Error, "no runtime would qualify"},
        {"VM Provider=sun\r\n", Severity::Warning, "Sun runtimes only"},
        {"[Application]\r\nApplication Type=Service\r\n", Severity::Warning, "normal application"},
        {"Virtual Machine Parameters=-Xmx64m -Xmxp\r\n", Severity::Error, "\"-Xmxp\" is out of form"},
        {"Virtual Machine Parameters=\"-Xms5%t\"\r\n", Severity::Error, "\"-Xms5%t\" is out of form"},
        {"Virtual Machine Parameters=-Xmx50:1:2:3P\r\n", Severity::Error, "out of form"},
        {"Virtual Machine Parameters=-Xmx150p\r\n", Severity::Warning, "more than 100 percent"},
        {"[Class Path]\r\nClass Path=lib\\missing.jar\r\n", Severity::Warning, "the launcher drops it"},
        {"[Class Path]\r\nClass Path=a.jar;C:\\missing\\b.jar\r\n", Severity::Warning, "passes it on"},
        {"[Application]\r\nSplash Image=missing.png\r\n", Severity::Warning, "names no file"},
        {"[Application]\r\nSplash Image=logo.bmp\r\n", Severity::Warning, "is not a PNG, GIF or JPEG image"},
        {"[Product Information+]\r\n", Severity::Warning, "is never read"},
        {"[Java Runtime Environment+]\r\nmain class=x\r\n", Severity::Warning, "spelled \"Main Class\""},
        {"Main Class=other\r\n", Severity::Warning, "appears twice"},
        {"no equals sign\r\n", Severity::Warning, "neither a [section] header"},
        {"Virtual Machine Parameters=-Dp=Gr\xC3\xB6\xC3\x9F"
         "e\r\n",
         Severity::Warning, "without a byte-order mark"},
    };
    for (const auto& c : cases) {
        const std::string text = std::string(kMain) + c.lines;
        const std::vector<LintFinding> findings = lint(text);
        ASSERT_EQ(findings.size(), c.count)
            << c.lines << (findings.empty() ? "" : formatFinding(findings[0]));
        const LintFinding& last = findings.back();
        const size_t lastLine = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        EXPECT_EQ(last.line, lastLine) << c.lines;
        EXPECT_EQ(last.severity, c.severity) << c.lines;
        EXPECT_NE(last.message.find(c.words), std::string::npos) << formatFinding(last);
        EXPECT_EQ(lintExitCode(findings), c.severity == Severity::Error ? 2 : 1) << c.lines;
    }
}

TEST(SettingsCheck, AcceptsWellFormedSettingsIncludingPlusSectionsAndAnyLineEnd) {
    const std::string clean =
        "; comment\n[Product Information]\nUpgrade Code={X}\n[Java Runtime Environment]\nMain Class=a.B\n"
        "Minimum Version=1.8\nMaximum Version=any\nPreferred versions=17;11\nJVM Type=favor_server\n"
        "JVM Source=only_JRE\nVM Provider=FAVOR_IBM\n"
        "Virtual Machine Parameters=-Xmx50:64:1024p \"-Dt=a b\" -Xss2m -Xms10::512T\n"
        "[Java Runtime Environment+]\nVirtual Machine Parameters=-Dmore=1\n"
        "[Application]\nSingle Instance=yes\nOutput Append=no\nFailure Check=YES\nEmbedded Jar=\n"
        "Application Type=service\nSplash Image=images\\splash.png\n[Application+]\nSplash "
        "Image=%HOME%\\x.bmp\n"
        "[Class Path]\nClass Path=lib\\*.jar;%APP_HOME%\\x.jar;D:\\ext\\y.jar\n";
    const std::vector<LintFinding> findings = lint(clean);
    for (const LintFinding& f : findings) ADD_FAILURE() << formatFinding(f);
    EXPECT_EQ(lintExitCode(findings), 0);
}

TEST(SettingsCheck, MainClassMayComeFromEitherTextButNotFromNeither) {
    const std::vector<LintFinding> none = lint("[Application]\r\nCmd=x\r\n");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].line, 0u);
    EXPECT_EQ(lintExitCode(none), 2);
    EXPECT_EQ(
        formatFinding(none[0]),
        "app.ini: error: no \"Main Class\" in section [Java Runtime Environment]; the launcher refuses to "
        "start");
    const std::vector<LintFinding> layered =
        lintSettings({LintInput{"app.ini", u"[Application]\r\nCmd=x\r\n", u"C:\\app"},
                      LintInput{"embedded.ini", fromUtf8(kMain), u"C:\\app"}},
                     fakeProbe);
    EXPECT_TRUE(layered.empty());
}

TEST(SettingsCheck, ClassPathPiecesAreSearchedBesideTheSettingsFile) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "qxpack-lint-test";
    fs::remove_all(folder);
    fs::create_directories(folder / "lib");
    std::ofstream(folder / "lib" / "Tool.JAR") << "x";
    const std::u16string launcherFolder = launcherFolderOf((folder / "app.ini").u8string());
    const auto classPath = [&](const std::string& value) {
        return lintSettings(
                   {LintInput{"app.ini", fromUtf8(std::string(kMain) + "[Class Path]\r\nClass Path=" + value),
                              launcherFolder}},
                   probeClassPathPattern)
            .size();
    };
    EXPECT_EQ(classPath("lib\\*.jar;lib\\tool.jar;lib\\T?ol.*;lib"), 0u)
        << "wildcards and case as on Windows";
    EXPECT_EQ(classPath("lib\\*.zip;absent.jar;lib\\"), 3u);
#ifndef _WIN32
    const std::string wineFolder = "Z:" + toUtf8(launcherFolder);
    EXPECT_EQ(classPath(wineFolder + "\\lib\\tool.jar;C:\\elsewhere.jar"), 0u) << "Z: is this machine's root";
    EXPECT_EQ(classPath(wineFolder + "\\lib\\gone.jar"), 1u);
#endif
    fs::remove_all(folder);
}

TEST(SettingsCheck, ASplashImageMustBeAPngGifOrJpegBesideTheSettingsFile) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "qxpack-splash-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::pair<const char*, std::string> files[] = {
        {"splash.png", std::string("\x89PNG\r\n\x1a\n...", 11)},
        {"old.gif", "GIF87a..."},
        {"anim.gif", "GIF89a..."},
        {"photo.jpg", "\xFF\xD8\xFF\xE0..."},
        {"logo.png", "BM a bitmap, whatever its name"},
        {"empty.png", ""},
    };
    for (const auto& [name, bytes] : files) std::ofstream(folder / name, std::ios::binary) << bytes;
    const std::u16string launcherFolder = launcherFolderOf((folder / "app.ini").u8string());
    const auto findings = [&](const std::string& image) {
        return lintSettings(
            {LintInput{"app.ini", fromUtf8(std::string(kMain) + "[Application]\r\nSplash Image=" + image),
                       launcherFolder}},
            fakeProbe, probeSplashImage);
    };
    for (const char* image : {"splash.png", "old.gif", "anim.gif", "photo.jpg"}) {
        EXPECT_TRUE(findings(image).empty()) << image;
    }
    for (const char* image : {"logo.png", "empty.png"}) {
        const std::vector<LintFinding> found = findings(image);
        ASSERT_EQ(found.size(), 1u) << image;
        EXPECT_NE(found[0].message.find("not a PNG, GIF or JPEG"), std::string::npos)
            << formatFinding(found[0]);
    }
    const std::vector<LintFinding> absent = findings("absent.png");
    ASSERT_EQ(absent.size(), 1u);
    EXPECT_NE(absent[0].message.find("names no file"), std::string::npos) << formatFinding(absent[0]);
#ifndef _WIN32
    EXPECT_TRUE(findings("Z:" + toUtf8(launcherFolder) + "\\photo.jpg").empty())
        << "Z: is this machine's root";
    EXPECT_TRUE(findings("D:\\elsewhere\\logo.bmp").empty()) << "a drive this machine cannot see";
#endif
    fs::remove_all(folder);
}

}  // namespace
}  // namespace qxpack
