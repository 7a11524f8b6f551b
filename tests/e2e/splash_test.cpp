// The splash screen: shown before the VM exists through the runtime's splash library (the rig's
// splashscreen.dll in front of the Linux JDK's own), and taken over by the application through
// java.awt.SplashScreen. The rig's library echoes every call it gets on standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/lib/async_child.h"
#include "support/lib/desktop.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;

// build\support\splash.png: 320x200, a blue ground around an amber box of 201x91 pixels; SplashApp
// draws its green progress bar over the left half of the bottom 20 rows.
constexpr COLORREF kGround = RGB(0x1E, 0x50, 0xC8);
constexpr COLORREF kBox = RGB(0xF0, 0xB4, 0x1E);
constexpr COLORREF kProgressBar = RGB(0x10, 0xC0, 0x40);
constexpr size_t kBoxPixels = 201 * 91;
constexpr size_t kBarPixels = 160 * 20;
constexpr size_t kGroundPixels = 320 * 200 - kBoxPixels - kBarPixels;

// A GIF of 4x2 pixels.
const std::string kSmallGif(
    "GIF89a\x04\x00\x02\x00\xf0\x00\x00\xc8\x1e\x1e\x00\x00\x00\x21\xf9\x04\x00\x00\x00\x00\x00\x2c\x00\x00"
    "\x00\x00\x04\x00\x02\x00\x00\x02\x03\x84\x6f\x05\x00\x3b",
    44);

// Before any launcher starts: Wine's desktop process would otherwise be started by the first child to
// show a window and hold that child's output pipes open.
const bool kDesktopReady = (useWineDrawnFrames(), GetDesktopWindow() != nullptr);

// The splash application's jar appended to a copy of `launcher`; its manifest names the splash image.
LauncherApp splashApp(const std::wstring& testName, const std::wstring& launcher = launcherExe()) {
    LauncherApp app = makeApp(testName, L"app", launcher);
    std::string exe, jar;
    readFile(app.exe, exe);
    readFile(testJar(L"splash"), jar);
    writeFile(app.exe, exe + jar);
    app.options.env[L"QXLAUNCH_TRACE"] = L"stderr";
    app.options.env[L"QXTEST_SPLASH_ECHO"] = L"1";
    return app;
}

// Settings of the splash application on `runtimeHome`: the class path is the executable itself unless
// `classPath` names one.
std::string splashIni(const std::wstring& home, const std::string& classPath = "",
                      const std::string& image = "") {
    std::string ini =
        "[Java Runtime Environment]\r\nMain Class=qx.test.SplashApp\r\nJRE Path=" + narrow(home) +
        "\r\n[Application]\r\n";
    if (classPath.empty()) ini += "Embedded Jar=yes\r\n";
    if (!image.empty()) ini += "Splash Image=" + image + "\r\n";
    if (!classPath.empty()) ini += "[Class Path]\r\nClass Path=" + classPath + "\r\n";
    return ini;
}

// A runtime of the bridge's jvm.dll beside the app, with `splashLibrary` as its splashscreen.dll (none
// when empty).
std::wstring runtimeBeside(const LauncherApp& app, const std::wstring& from,
                           const std::wstring& splashLibrary) {
    const std::wstring rt = app.dir + L"\\rt";
    for (const wchar_t* d : {L"", L"\\bin", L"\\bin\\server"}) CreateDirectoryW((rt + d).c_str(), nullptr);
    writeFile(rt + L"\\bin\\java.dll", "");
    // A runtime with only a client VM (the one without the launcher helper) still lands as a server one.
    std::wstring library = runtimeHome(from) + L"\\bin\\server\\jvm.dll";
    if (GetFileAttributesW(library.c_str()) == INVALID_FILE_ATTRIBUTES)
        library = runtimeHome(from) + L"\\bin\\client\\jvm.dll";
    copyFile(library, rt + L"\\bin\\server\\jvm.dll");
    if (!splashLibrary.empty()) copyFile(splashLibrary, rt + L"\\bin\\splashscreen.dll");
    return rt;
}

// Where the image comes from, first match wins, and every way of not having one: the application
// starts and ends as without a splash, and the trace says why.
TEST(Splash, TheImageComesFromTheSettingOrTheFirstJarAndAFailureStartsWithoutOne) {
    const std::wstring bridgeSplash = runtimeHome(L"jdk17") + L"\\bin\\splashscreen.dll";
    const std::wstring noExports = runtimeHome(L"noexports") + L"\\bin\\server\\jvm.dll";
    const std::string support = narrow(outDir()) + "\\support";
    const struct {
        const char* what;
        std::string classPath, image;
        std::wstring splashLibrary;
        const char* size;   // the splash's size as the application sees it; null: no splash
        std::string names;  // the file and jar names handed to the library ("$" stands for the app's folder)
        std::string trace;
        const wchar_t* desktop = L"";  // the station and desktop the start runs on
        size_t trailer = 0;            // bytes after the appended jar, as a signature adds them
    } cases[] = {
        {"manifest of the jar appended to the executable", "", "", bridgeSplash, "320x200",
         "images/splash.png | $\\app.exe", "splash screen: images/splash.png in $\\app.exe shown through"},
        {"relative setting, over the manifest", "", "images\\small.gif", bridgeSplash, "4x2",
         "$\\images\\small.gif | -", "splash screen: $\\images\\small.gif shown"},
        {"setting with an environment reference", support + "\\java\\splash.jar",
         "%QXTEST_IMAGES%\\splash.png", bridgeSplash, "320x200", support + "\\splash.png | -",
         "splash screen: " + support + "\\splash.png shown"},
        {"first class path entry without the attribute",
         narrow(testJar(L"probe")) + ";" + support + "\\java\\splash.jar", "", bridgeSplash, nullptr, "",
         "splash screen: none named"},
        {"no splashscreen.dll", "", "", L"", nullptr, "",
         "splash screen: none, cannot load $\\rt\\bin\\splashscreen.dll (error 126)"},
        {"a splashscreen.dll without the entry points", "", "", noExports, nullptr, "",
         "splash screen: none, $\\rt\\bin\\splashscreen.dll has no SplashInit"},
        {"an image the library cannot decode", "", "bad.png", bridgeSplash, nullptr, "",
         "splash screen: none, the runtime cannot show $\\bad.png"},
        {"a missing image", "", "absent.png", bridgeSplash, nullptr, "",
         "splash screen: none, cannot read $\\absent.png (error 2)"},
        {"a window station no user sees", "", "", bridgeSplash, nullptr, "",
         "splash screen: none, no user sees this window station", L"qxtest-no-desktop\\Default"},
        {"a signature after the appended jar", "", "", bridgeSplash, "320x200",
         "images/splash.png | $\\app.exe", "splash screen: images/splash.png in $\\app.exe shown through",
         L"", 3000},
    };
    for (const auto& c : cases) {
        LauncherApp app = splashApp(L"splash-sources");
        std::string exe;
        readFile(app.exe, exe);
        writeFile(app.exe, exe + std::string(c.trailer, 'Z'));
        const std::string dir = narrow(app.dir);
        const auto here = [&dir](std::string text) {
            for (size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + dir.size()))
                text.replace(at, 1, dir);
            return text;
        };
        CreateDirectoryW((app.dir + L"\\images").c_str(), nullptr);
        writeFile(app.dir + L"\\images\\small.gif", kSmallGif);
        writeFile(app.dir + L"\\bad.png", "\x89PNG\r\n\x1a\nnot really an image");
        app.options.env[L"QXTEST_IMAGES"] = outDir() + L"\\support";
        app.options.desktop = c.desktop;
        app.writeIni(splashIni(runtimeBeside(app, L"jdk17", c.splashLibrary), c.classPath, c.image));

        const ChildResult r = app.run(L"- -");
        EXPECT_EQ(r.exitCode, 0u) << c.what << "\n" << r.out << r.err;
        EXPECT_TRUE(hasLine(r.out, "main done")) << c.what << "\n" << r.out;
        EXPECT_NE(r.err.find(here(c.trace)), std::string::npos) << c.what << "\n" << r.err;
        if (c.size) {
            EXPECT_TRUE(hasLine(r.out, "splash=true")) << c.what << "\n" << r.out;
            EXPECT_TRUE(hasLine(r.out, std::string("splash size=") + c.size)) << c.what << "\n" << r.out;
            EXPECT_TRUE(hasLine(r.out, "splash: SplashSetFileJarName " + here(c.names))) << c.what << "\n"
                                                                                         << r.out;
            EXPECT_TRUE(hasLine(r.out, "splash after window=false")) << c.what << "\n" << r.out;
        } else {
            EXPECT_TRUE(hasLine(r.out, "splash=false")) << c.what << "\n" << r.out;
        }
    }
}

// A jar of 70,000 entries, as the JDK's jar tool writes it: a ZIP64 end record and locator between the
// central directory and the end record. qxpack (its Windows build, as a user on Windows runs it)
// appends it, the launcher runs it, and the splash its manifest names is shown.
TEST(Splash, AJarOfSeventyThousandEntriesIsAppendedRunAndShowsItsSplash) {
    LauncherApp app = makeApp(L"splash-zip64");
    const std::wstring rt = runtimeBeside(app, L"jdk17", runtimeHome(L"jdk17") + L"\\bin\\splashscreen.dll");
    const std::wstring settings = app.dir + L"\\settings.ini";
    writeFile(settings, "[Java Runtime Environment]\r\nMain Class=qx.test.SplashApp\r\nJRE Path=" +
                            narrow(rt) + "\r\n");
    const ChildResult pack = runChild(quote(outDir() + L"\\bin\\qxpack.exe") + L" build --launcher " +
                                      quote(launcherExe()) + L" --output " + quote(app.exe) + L" --ini " +
                                      quote(settings) + L" --jar " + quote(testJar(L"splash-zip64")));
    ASSERT_EQ(pack.exitCode, 0u) << pack.out << pack.err;
    app.options.env[L"QXLAUNCH_TRACE"] = L"stderr";
    app.options.env[L"QXTEST_SPLASH_ECHO"] = L"1";
    const ChildResult r = app.run(L"- -");
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "main done")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "splash size=320x200")) << r.out;
    EXPECT_NE(r.err.find("splash screen: images/splash.png in " + narrow(app.exe) + " shown through"),
              std::string::npos)
        << r.err;
}

// An error line may be a message box, which must not sit under the splash: the splash goes first, when
// the VM cannot be created and when the VM has no main class to run.
TEST(Splash, AFailureBeforeMainClosesTheSplashBeforeTheErrorLine) {
    struct Row {
        const wchar_t* name;
        const wchar_t* runtime;
        const char* mainClass;
        const char* error;
    };
    for (const Row& row :
         {Row{L"splash-create-fails", L"createfails", "qx.test.SplashApp", "Error: JNI exception"},
          Row{L"splash-no-main-class", L"jdk17-nohelper", "qx.test.NoSuchApp", "Error: "}}) {
        SCOPED_TRACE(narrow(row.name));
        LauncherApp app = splashApp(row.name);
        const std::wstring rt =
            runtimeBeside(app, row.runtime, runtimeHome(L"jdk17") + L"\\bin\\splashscreen.dll");
        std::string ini = splashIni(rt);
        ini.replace(ini.find("qx.test.SplashApp"), strlen("qx.test.SplashApp"), row.mainClass);
        app.writeIni(ini);
        const ChildResult r = app.run();
        EXPECT_EQ(r.exitCode, kFailed) << r.out << r.err;
        const std::vector<std::string> out = lines(r.out);
        const auto at = [&out](const std::string& prefix) {
            for (size_t i = 0; i < out.size(); ++i) {
                if (out[i].rfind(prefix, 0) == 0) return i;
            }
            return out.size();
        };
        const size_t shown = at("splash: SplashLoadMemory");
        ASSERT_LT(shown, out.size()) << r.out;
        EXPECT_EQ(out[shown].substr(out[shown].size() - 5), " -> 1") << r.out;
        ASSERT_LT(at(row.error), out.size()) << r.out;
        EXPECT_LT(at("splash: SplashClose"), at(row.error)) << r.out;
    }
}

// A desktop application as the user sees it: the splash appears before main runs, main draws its
// progress on it, and the first window of the application takes it away.
TEST(Splash, AppearsBeforeMainAndGoesWithTheFirstWindow) {
    LauncherApp app = splashApp(L"splash-screen", windowedLauncherExe());
    app.writeIni(splashIni(runtimeHome(L"jdk17")));
    const std::wstring release = app.dir + L"\\release", done = app.dir + L"\\done";
    const std::wstring output = app.dir + L"\\output";
    AsyncChild child;
    ASSERT_TRUE(
        child.start(quote(app.exe) + L" " + quote(release) + L" " + quote(done), app.options, output));
    ASSERT_TRUE(waitForLineStarting(output + L".out", "waiting", 60000));

    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    std::vector<COLORREF> pixels;
    // The library draws from a thread of its own: the progress bar reaches the screen a little later.
    EXPECT_TRUE(waitUntil([&] {
        pixels = capturePixels(screen);
        return countPixels(pixels, kProgressBar) == kBarPixels;
    })) << countPixels(pixels, kProgressBar);
    EXPECT_EQ(countPixels(pixels, kBox), kBoxPixels);
    EXPECT_EQ(countPixels(pixels, kGround), kGroundPixels);
    const POINT centre{screen.right / 2, screen.bottom / 2};
    saveScreenshot(RECT{centre.x - 200, centre.y - 140, centre.x + 200, centre.y + 140}, L"splash-screen");

    writeFile(release, "");
    ASSERT_TRUE(waitForLineStarting(output + L".out", "window shown", 60000));
    EXPECT_TRUE(waitUntil([&] { return countPixels(capturePixels(screen), kBox) == 0; }))
        << "the splash is still on the screen";
    writeFile(done, "");
    ASSERT_TRUE(child.ended(60000));
    EXPECT_EQ(child.exitCode(), 0u);
    const std::vector<std::string> out = fileLines(output + L".out");
    EXPECT_NE(std::find(out.begin(), out.end(), "splash after window=false"), out.end());
    EXPECT_NE(std::find(out.begin(), out.end(), "main done"), out.end());
}

}  // namespace
