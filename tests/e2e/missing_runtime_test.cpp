// A packaged application on a machine without a suitable runtime: the launcher asks for one in its
// dialog, driven here from outside with real input, the system's folder browser included.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <thread>
#include <vector>

#include "base/scoped.h"
#include "resource.h"
#include "support/lib/desktop.h"
#include "support/lib/dialog_start.h"
#include "support/lib/java_registry.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
constexpr char kProduct[] = "[Product Information]\r\nProduct Name=Dialog: App\r\nProduct Code={QX-7}\r\n";

// Before any launcher starts: Wine's desktop process would otherwise be started by the first child to
// show a window and hold that child's output pipes open.
const bool kDesktopReady = (useWineDrawnFrames(), GetDesktopWindow() != nullptr);

std::string appIni(const std::string& extraJre = "", const std::string& extraApp = "") {
    return std::string(kProduct) + "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\n" + extraJre +
           "[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) + "\r\n[Application]\r\n" + extraApp;
}

// The per-user settings file of `exeName` for the product of appIni.
std::wstring userFile(const LauncherApp& app, const std::wstring& exeName) {
    return app.appData + L"\\Dialog App\\{QX-7}\\" + exeName + L".ini";
}

std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024] = L"";
    GetPrivateProfileStringW(section, key, L"<none>", value, 1024, file.c_str());
    return value;
}

std::wstring jrePathIn(const std::wstring& file) {
    return profileValue(file, L"Java Runtime Environment", L"JRE Path");
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A start of the app that runs while the test drives its dialog.
// The start whose missing-runtime dialog the test answers.
struct Start : qxtest::DialogStart {
    explicit Start(const LauncherApp& app, std::wstring args = L"")
        : DialogStart(app, std::move(args), L"JRE Not Found") {}
};

// Opens the system's folder browser from the dialog; null when it does not appear.
HWND openBrowser(const Start& start) {
    clickWindow(start.item(IDC_BROWSE));
    const HWND browser = waitForOwnedWindow(start.dialog());
    if (browser) bringToFront(browser);
    return browser;
}

// Selects `folder` in the browser of another process, as a user would by walking the tree: the
// browser's own selection message, with the path placed in that process's memory.
bool selectInBrowser(HWND browser, const std::wstring& folder) {
    DWORD pid = 0;
    GetWindowThreadProcessId(browser, &pid);
    qx::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return false;
    const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return false;
    const bool written = WriteProcessMemory(process.get(), remote, folder.c_str(), bytes, nullptr);
    if (written) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return written;
}

// Browse, pick `folder` in the system's browser and confirm it there. A browser that has only just
// started may not have filled its tree yet and keep its first selection; the user would browse again.
void chooseFolder(const Start& start, const std::wstring& folder) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const HWND browser = openBrowser(start);
        ASSERT_TRUE(browser) << "the folder browser did not open";
        Sleep(500);
        ASSERT_TRUE(selectInBrowser(browser, folder));
        Sleep(300);
        saveScreenshot(browser, L"missing-runtime-folder-browser");
        clickWindow(GetDlgItem(browser, IDOK));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));
        if (waitUntil([&] { return windowText(start.item(IDC_JRE_PATH)) == folder; }, 3000)) return;
    }
    FAIL() << "the browser handed back " << narrow(windowText(start.item(IDC_JRE_PATH)));
}

class MissingRuntime : public ::testing::Test {
protected:
    JavaRegistry registry_;  // no registered runtime while the launcher searches
};

TEST_F(MissingRuntime, TheDialogNamesTheRequirementAndLeavingItEndsTheStart) {
    struct Case {
        const char* how;
        std::string jre;
        std::string message;
    };
    const Case cases[] = {
        {"Cancel", "Minimum Version=11\r\n",
         "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE (minimum "
         "version 11.0) from:"},
        {"Esc", "JVM Type=server\r\nMinimum Version=1.8.0_301\r\nMaximum Version=1.8.0_301\r\n",
         "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a server "
         "JVM (version 1.8.0.301 is required) from:"},
        {"close box", "",
         "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
         "(latest version) from:"},
    };
    for (const Case& c : cases) {
        LauncherApp app = makeApp(L"missing-runtime-leave");
        app.writeIni(appIni(c.jre));
        std::string iniBefore;
        readFile(app.ini, iniBefore);
        Start start(app);
        ASSERT_TRUE(start.dialog()) << c.how;
        EXPECT_EQ(narrow(windowText(start.item(IDC_MESSAGE))), c.message) << c.how;
        EXPECT_EQ(windowText(start.item(IDC_LINK)), L"https://adoptium.net/");
        EXPECT_EQ(windowText(start.item(IDC_JRE_PATH)), L"");
        EXPECT_FALSE(IsWindowEnabled(start.item(IDOK))) << c.how;
        const HWND link = start.item(IDC_LINK);
        EXPECT_TRUE(waitUntil([&] {
            return countPixels(capturePixels(screenRect(link)), RGB(0, 0, 255)) > 20;
        })) << c.how
            << ": the link is drawn blue";
        if (std::string(c.how) == "Cancel") saveScreenshot(start.dialog(), L"missing-runtime-launcher");

        const std::string how = c.how;
        if (how == "Cancel") {
            clickWindow(start.item(IDCANCEL));
        } else if (how == "Esc") {
            pressKey(VK_ESCAPE);
        } else {
            clickAt(closeBoxOf(start.dialog()));
        }
        const ChildResult r = start.finish();
        EXPECT_EQ(r.exitCode, kFailed) << c.how;
        EXPECT_FALSE(r.timedOut) << c.how;
        EXPECT_EQ(r.out, "") << c.how;
        EXPECT_FALSE(exists(app.appData + L"\\Dialog App")) << c.how << ": nothing is remembered";
        std::string iniAfter;
        readFile(app.ini, iniAfter);
        EXPECT_EQ(iniAfter, iniBefore) << c.how;
    }
}

TEST_F(MissingRuntime, TheSystemFolderBrowserCanBeCancelled) {
    LauncherApp app = makeApp(L"missing-runtime-browser-cancel");
    app.writeIni(appIni());
    Start start(app);
    ASSERT_TRUE(start.dialog());
    const HWND browser = openBrowser(start);
    ASSERT_TRUE(browser);
    Sleep(300);
    saveScreenshot(browser, L"missing-runtime-folder-browser-open");
    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(browser); }));
    EXPECT_TRUE(IsWindow(start.dialog()));
    EXPECT_EQ(windowText(start.item(IDC_JRE_PATH)), L"");
    EXPECT_FALSE(IsWindowEnabled(start.item(IDOK)));
    clickWindow(start.item(IDCANCEL));
    EXPECT_EQ(start.finish().exitCode, kFailed);
}

// A copy of the bridge runtime in `folder` (created), so a runtime can live under any name.
bool copyRuntime(const std::wstring& folder) {
    const std::wstring home = runtimeHome(L"jdk17");
    const wchar_t* const files[] = {L"\\bin\\server\\jvm.dll", L"\\bin\\java.dll",
                                    L"\\bin\\splashscreen.dll"};
    for (const wchar_t* sub : {L"", L"\\bin", L"\\bin\\server"})
        CreateDirectoryW((folder + sub).c_str(), nullptr);
    for (const wchar_t* file : files) {
        if (!copyFile(home + file, folder + file)) return false;
    }
    return true;
}

// The per-user file starts as UTF-16 with a mark, so a folder outside the ANSI code page (1252 here)
// survives until the next start.
TEST_F(MissingRuntime, AChosenRuntimeRunsTheAppAndIsFoundDirectlyNextTime) {
    for (const std::wstring& folder : {std::wstring(), std::wstring(L"Java \u03A9\u03BB \u65E5\u672C")}) {
        LauncherApp app = makeApp(L"missing-runtime-choose");
        const std::wstring pair = app.dir + L"\\pair32.exe";
        app.writeIni(appIni("", "Pair Product=" + narrow(pair) + "\r\n"));
        std::wstring home = runtimeHome(L"jdk17");
        if (!folder.empty()) {
            home = app.dir + L"\\" + folder;
            ASSERT_TRUE(copyRuntime(home));
        }
        const std::string name = narrow(home);
        {
            Start start(app, L"first");
            ASSERT_TRUE(start.dialog()) << name;
            ASSERT_NO_FATAL_FAILURE(chooseFolder(start, home));
            EXPECT_EQ(windowText(start.item(IDC_JRE_PATH)), home);
            ASSERT_TRUE(IsWindowEnabled(start.item(IDOK))) << name;
            clickWindow(start.item(IDOK));
            const ChildResult r = start.finish();
            EXPECT_EQ(r.exitCode, 0u) << name << r.out << r.err;
            EXPECT_TRUE(hasLine(r.out, "arg[0]=first")) << name << r.out;
            EXPECT_TRUE(hasLine(r.out, "main done")) << name << r.out;
        }
        // The folder, with a backslash, in this app's and the companion's per-user files only.
        EXPECT_EQ(jrePathIn(userFile(app, L"app")), home + L"\\") << name;
        EXPECT_EQ(jrePathIn(userFile(app, L"pair32")), home + L"\\") << name;
        EXPECT_EQ(jrePathIn(app.ini), L"<none>") << name;
        EXPECT_FALSE(exists(app.dir + L"\\pair32.ini")) << name;
        std::string bytes;
        ASSERT_TRUE(readFile(userFile(app, L"app"), bytes));
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << name;

        // The next start finds it without asking.
        LauncherApp again = app;
        again.options.timeoutMs = 30000;
        const ChildResult next = again.run(L"second");
        EXPECT_FALSE(next.timedOut) << name << ": the dialog came back";
        EXPECT_EQ(next.exitCode, 0u) << name << next.out << next.err;
        EXPECT_TRUE(hasLine(next.out, "arg[0]=second")) << name << next.out;
    }
}

TEST_F(MissingRuntime, AServiceRemembersTheRuntimeBesideTheExecutables) {
    LauncherApp app = makeApp(L"missing-runtime-service");
    const std::wstring pair = app.dir + L"\\pair32.exe";
    app.writeIni(appIni("", "Application Type=service\r\nPair Product=" + narrow(pair) + "\r\n"));
    const std::wstring home = runtimeHome(L"jdk17");
    Start start(app);
    ASSERT_TRUE(start.dialog());
    ASSERT_NO_FATAL_FAILURE(chooseFolder(start, home));
    clickWindow(start.item(IDOK));
    const ChildResult r = start.finish();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(jrePathIn(app.ini), home + L"\\");
    EXPECT_EQ(jrePathIn(app.dir + L"\\pair32.ini"), home + L"\\");
    EXPECT_EQ(profileValue(app.ini, L"Java Runtime Environment", L"Main Class"), L"qx.test.Probe");
    EXPECT_FALSE(exists(app.appData + L"\\Dialog App"));
}

TEST_F(MissingRuntime, APerUserFolderThatCannotBeMadeDoesNotStopTheStart) {
    LauncherApp app = makeApp(L"missing-runtime-no-folder");
    app.writeIni(appIni());
    // APPDATA names a file: no folder can be made below it.
    const std::wstring blocker = app.dir + L"\\blocker";
    writeFile(blocker, "");
    app.options.env[L"APPDATA"] = blocker;
    Start start(app);
    ASSERT_TRUE(start.dialog());
    ASSERT_NO_FATAL_FAILURE(chooseFolder(start, runtimeHome(L"jdk17")));
    clickWindow(start.item(IDOK));
    const ChildResult r = start.finish();
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "main done")) << r.out;
    EXPECT_EQ(jrePathIn(app.ini), L"<none>");
}

// A dialog template whose one control has a class that does not exist: no dialog can be made from it.
std::vector<WORD> brokenDialogTemplate() {
    std::vector<WORD> words;
    const auto dword = [&](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    const auto text = [&](const wchar_t* value) {
        for (; *value; ++value) words.push_back(*value);
        words.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME);
    dword(0);
    words.insert(words.end(), {1, 0, 0, 100, 50});  // one control; x, y, width, height
    words.insert(words.end(), {0, 0});              // no menu, the standard class
    text(L"Broken");
    if (words.size() % 2) words.push_back(0);  // items start on a DWORD boundary
    dword(WS_CHILD | WS_VISIBLE);
    dword(0);
    words.insert(words.end(), {0, 0, 50, 20, 100});  // x, y, width, height, id
    text(L"QxNoSuchClass");
    words.insert(words.end(), {0, 0});  // no text, no creation data
    return words;
}

// A service's window station, or a dialog that cannot be made: the start ends at once instead of
// waiting for an answer nobody can give.
TEST_F(MissingRuntime, WhenNoDialogCanBeShownTheStartEndsWithAnErrorLine) {
    const std::string expected =
        "Error: The Java Runtime Environment (JRE) was not found (minimum version 11.0), and no window can "
        "be "
        "shown here to choose one. Set JRE Path in the INI file. \n";
    {
        LauncherApp app = makeApp(L"missing-runtime-no-desktop");
        app.writeIni(appIni("Minimum Version=11\r\n"));
        app.options.desktop = L"qxtest-no-desktop\\Default";
        app.options.timeoutMs = 30000;
        const ChildResult r = app.run();
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, kFailed);
        EXPECT_EQ(r.out, expected);
        EXPECT_FALSE(exists(app.appData + L"\\Dialog App"));
    }
    {
        LauncherApp app = makeApp(L"missing-runtime-no-template");
        app.writeIni(appIni("Minimum Version=11\r\n"));
        const std::vector<WORD> broken = brokenDialogTemplate();
        qx::Scoped<qx::UpdateResourceTraits> update(BeginUpdateResourceW(app.exe.c_str(), FALSE));
        ASSERT_TRUE(update);
        ASSERT_TRUE(UpdateResourceW(update.get(), RT_DIALOG, MAKEINTRESOURCEW(IDD_JRE_NOT_FOUND),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                    const_cast<WORD*>(broken.data()),
                                    static_cast<DWORD>(broken.size() * sizeof(WORD))));
        ASSERT_TRUE(EndUpdateResourceW(update.release(), FALSE));
        app.options.timeoutMs = 30000;
        const ChildResult r = app.run();
        EXPECT_FALSE(r.timedOut) << "the dialog was still there";
        EXPECT_EQ(r.exitCode, kFailed);
        EXPECT_EQ(r.out, expected);
    }
}

}  // namespace
