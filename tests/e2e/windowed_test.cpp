// The windowed launcher, qxlaunchw.exe: no console of its own, so an error without a handed-over
// standard output appears in a message box, and an uncaught exception in "Java Exception" dialog; both
// driven here from outside with real input. Its error lines with pipes are in launch_errors_test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "resource.h"
#include "support/lib/async_child.h"
#include "support/lib/desktop.h"
#include "support/lib/dialog_start.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
constexpr wchar_t kHiddenStation[] = L"qxtest-no-desktop\\Default";
constexpr int kMessageBoxText = 0xFFFF;  // the static control that holds a message box's text

// Before any launcher starts: Wine's desktop process would otherwise be started by the first child to
// show a window and hold that child's output pipes open.
const bool kDesktopReady = (useWineDrawnFrames(), GetDesktopWindow() != nullptr);

LauncherApp windowedApp(const std::wstring& testName) {
    return makeApp(testName, L"app", windowedLauncherExe());
}

// The thrower application: main throws while a worker waits for the file named by its argument.
std::string throwerIni() {
    return "[Java Runtime Environment]\r\nMain Class=qx.test.Thrower\r\nJRE Path=" +
           narrow(runtimeHome(L"jdk17")) + "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"thrower")) +
           "\r\n[Application]\r\nFailure Check=Yes\r\n";
}

WORD subsystemOf(const std::wstring& exe) {
    std::string image;
    if (!readFile(exe, image) || image.size() < 0x40) return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (image.size() < static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64)) return 0;
    return reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew)
        ->OptionalHeader.Subsystem;
}

TEST(Windowed, IsLinkedForTheWindowsSubsystemAndRunsTheProbe) {
    EXPECT_EQ(subsystemOf(launcherExe()), IMAGE_SUBSYSTEM_WINDOWS_CUI);
    EXPECT_EQ(subsystemOf(windowedLauncherExe()), IMAGE_SUBSYSTEM_WINDOWS_GUI);

    LauncherApp app = windowedApp(L"windowed-probe");
    app.writeIni(probeIni());
    const ChildResult r = app.run(L"first \"second arg\"");
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "arg[1]=second arg")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "main done")) << r.out;
}

// Started as the shell starts it, with no standard handles: the error line has nowhere to go but a
// message box, which the user closes with OK.
TEST(Windowed, WithoutStandardOutputAnErrorIsShownInAMessageBox) {
    std::string signedCode;
    readFile(outDir() + L"\\support\\signed\\upgrade-code.txt", signedCode);
    const struct {
        const char* what;
        std::string ini;
        const wchar_t* caption;
        const char* text;  // "$" stands for the executable's path
        std::wstring launcher = windowedLauncherExe();
    } cases[] = {
        {"no main class, a product name", "[Product Information]\r\nProduct Name=Shop: Desk\r\n",
         L"Shop: Desk", "Main class was not specified in INI file."},
        {"no main class, no product name", "", L"app", "Main class was not specified in INI file."},
        {"a library without exports", probeIni("", "", L"noexports"), L"app",
         "Windows exception: cannot find CreateJavaVM JNI (errno = 127)."},
        // Packaged, signed, and a jar appended after the signature (tests/support/signing).
        {"a signed executable changed after it was signed",
         "[Product Information]\r\nUpgrade Code=" + (lines(signedCode).empty() ? "" : lines(signedCode)[0]) +
             "\r\n[Java Runtime Environment]\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) + "\r\n",
         L"app", "$ was changed after it was signed: it runs no code that its signature does not cover.",
         outDir() + L"\\support\\signed\\windowed-appended.exe"},
    };
    for (const auto& c : cases) {
        LauncherApp app = makeApp(L"windowed-message-box", L"app", c.launcher);
        app.writeIni(c.ini);
        std::string text = c.text;
        if (text[0] == '$') text.replace(0, 1, narrow(app.exe));
        AsyncChild child;
        ASSERT_TRUE(child.startWithoutHandles(quote(app.exe), app.options)) << c.what;
        const HWND box = waitForProcessWindow(app.exe, L"#32770", c.caption);
        ASSERT_TRUE(box) << c.what;
        EXPECT_EQ(narrow(windowText(GetDlgItem(box, kMessageBoxText))), text) << c.what;
        EXPECT_FALSE(child.ended()) << c.what << ": the start waits for the user";
        bringToFront(box);
        clickWindow(GetDlgItem(box, IDOK));
        ASSERT_TRUE(child.ended(30000)) << c.what;
        EXPECT_EQ(child.exitCode(), kFailed) << c.what;
    }
}

// A start of the thrower that runs while the test answers its dialog.
struct ThrowerStart : qxtest::DialogStart {
    ThrowerStart(const LauncherApp& app, const std::wstring& release)
        : DialogStart(app, quote(release), L"Java Exception") {}
};

TEST(Windowed, TheJavaExceptionDialogShowsTheTraceCentredReadOnlyAndScrolling) {
    LauncherApp app = windowedApp(L"windowed-exception-dialog");
    app.writeIni(throwerIni());
    ThrowerStart start(app, L"-");
    ASSERT_TRUE(start.dialog());
    const HWND edit = start.item(IDC_STACK_TRACE);
    const std::string trace = narrow(windowText(edit));
    EXPECT_EQ(trace.rfind("java.lang.IllegalStateException: order 42 cannot be shipped\r\n"
                          "\tat qx.test.Thrower$Order.ship(Thrower.java:",
                          0),
              0u)
        << trace;
    EXPECT_NE(trace.find("\r\nCaused by: java.io.IOException: no address on file\r\n"), std::string::npos)
        << trace;
    for (size_t at = trace.find('\n'); at != std::string::npos; at = trace.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && trace[at - 1] == '\r') << "a bare line feed at " << at;
    }
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);

    // No owner: centred on the work area.
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const POINT centre = centreOf(screenRect(start.dialog()));
    EXPECT_LE(std::abs(centre.x - (area.left + area.right) / 2), 1);
    EXPECT_LE(std::abs(centre.y - (area.top + area.bottom) / 2), 1);
    const auto drawn = [](HWND control) {
        return countPixels(capturePixels(screenRect(control)), RGB(0, 0, 0)) > 100;
    };
    EXPECT_TRUE(waitUntil([&] { return drawn(edit) && drawn(start.item(IDC_EXCEPTION_WARNING)); }))
        << "the dialog is not drawn";
    saveScreenshot(start.dialog(), L"java-exception-dialog");

    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SendMessageW(edit, EM_SCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the trace does not scroll";

    clickWindow(start.item(IDOK));
    const ChildResult r = start.finish();
    EXPECT_EQ(r.exitCode, 1u) << r.out << r.err;
}

// Ignore, and every way of closing the dialog, leaves the application running until its last
// non-daemon thread ends; Stop ends it at once through System.exit, so its shutdown hooks run.
TEST(Windowed, TheDialogsAnswersDecideHowTheApplicationEnds) {
    const struct {
        const char* how;
        bool stops;
    } cases[] = {{"Ignore", false}, {"close box", false}, {"Esc", false}, {"Stop", true}};
    for (const auto& c : cases) {
        LauncherApp app = windowedApp(L"windowed-exception-answer");
        app.writeIni(throwerIni());
        const std::wstring release = app.dir + L"\\release";
        ThrowerStart start(app, release);
        ASSERT_TRUE(start.dialog()) << c.how;
        const std::string how = c.how;
        if (how == "Ignore") {
            clickWindow(start.item(IDOK));
        } else if (how == "close box") {
            clickAt(closeBoxOf(start.dialog()));
        } else if (how == "Esc") {
            pressKey(VK_ESCAPE);
        } else {
            clickWindow(start.item(IDCANCEL));
        }
        if (!c.stops) {
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(start.dialog()); })) << c.how;
            Sleep(1000);
            EXPECT_FALSE(start.done()) << c.how << ": the worker thread keeps the application running";
            writeFile(release, "");
        }
        const ChildResult r = start.finish();
        EXPECT_FALSE(r.timedOut) << c.how;
        EXPECT_EQ(r.exitCode, 1u) << c.how << "\n" << r.out << r.err;
        EXPECT_TRUE(hasLine(r.out, "main throwing")) << c.how << "\n" << r.out;
        EXPECT_EQ(hasLine(r.out, "worker done"), !c.stops) << c.how << "\n" << r.out;
        EXPECT_TRUE(hasLine(r.out, "hook ran")) << c.how << "\n" << r.out;
    }
}

// Where nobody can answer, nothing waits: the console launcher never asks, and the windowed one asks
// only on a station that a user sees.
TEST(Windowed, NothingWaitsForAnAnswerThatCannotCome) {
    const struct {
        const char* what;
        std::wstring launcher;
        const wchar_t* desktop;
    } cases[] = {
        {"console launcher", launcherExe(), L""},
        {"windowed launcher on a hidden station", windowedLauncherExe(), kHiddenStation},
    };
    for (const auto& c : cases) {
        LauncherApp app = makeApp(L"windowed-no-dialog", L"app", c.launcher);
        app.writeIni(throwerIni());
        app.options.desktop = c.desktop;
        app.options.timeoutMs = 30000;
        const ChildResult r = app.run(L"-");
        EXPECT_FALSE(r.timedOut) << c.what;
        EXPECT_EQ(r.exitCode, 1u) << c.what << "\n" << r.out << r.err;
        EXPECT_TRUE(hasLine(r.out, "worker done")) << c.what << "\n" << r.out;
        EXPECT_NE(r.err.find("java.lang.IllegalStateException: order 42 cannot be shipped"),
                  std::string::npos)
            << c.what << "\n"
            << r.err;
    }

    // An error line without standard output on a hidden station is dropped; the exit code tells.
    LauncherApp app = windowedApp(L"windowed-no-box");
    app.writeIni("");
    app.options.desktop = kHiddenStation;
    AsyncChild child;
    ASSERT_TRUE(child.startWithoutHandles(quote(app.exe), app.options));
    ASSERT_TRUE(child.ended(30000)) << "a message box is waiting on a hidden station";
    EXPECT_EQ(child.exitCode(), kFailed);
}

}  // namespace
