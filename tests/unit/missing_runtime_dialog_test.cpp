// The missing-runtime dialog, shown for real from the launcher's own template and driven with real
// mouse and keyboard input; the folder browser answers with folders the tests choose.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "base/scoped.h"
#include "diag/message_catalogue.h"
#include "resource.h"
#include "runtime/missing_runtime_dialog.h"
#include "support/lib/desktop.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using namespace qxtest;

const bool kFramesDrawnByWine = (useWineDrawnFrames(), true);

constexpr wchar_t kMessage[] =
    L"The Java Runtime Environment (JRE) was not found. Please  download and install a "
    L"JRE (minimum version 17.0) from:";

HINSTANCE launcherResources() {
    static UniqueModule module(LoadLibraryExW(launcherExe().c_str(), nullptr,
                                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    return module.get();
}

// Folders that look like runtimes to the library probe.
struct Runtimes {
    std::wstring root = scratchDir(L"missing-runtime-dialog");
    std::wstring server = make(L"server", L"bin\\server\\jvm.dll");
    std::wstring clientOnly = make(L"client", L"bin\\client\\jvm.dll");
    std::wstring empty = make(L"empty", nullptr);

    std::wstring make(const wchar_t* name, const wchar_t* library) const {
        const std::wstring home = root + L"\\" + name;
        CreateDirectoryW(home.c_str(), nullptr);
        if (library) {
            CreateDirectoryW((home + L"\\bin").c_str(), nullptr);
            const std::wstring file = home + L"\\" + library;
            CreateDirectoryW(file.substr(0, file.rfind(L'\\')).c_str(), nullptr);
            writeFile(file, "");
        }
        return home;
    }
};

// The dialog running modally on a thread of its own, as on the launcher's main thread.
class RunningDialog {
public:
    RunningDialog(std::wstring message = kMessage, int32_t jvmType = 0)
        : dialog_(std::move(message), jvmType) {
        dialog_.setResourceModule(launcherResources());
        dialog_.setBrowser([this](HWND, const std::wstring& title, std::wstring& folder) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++browses_;
            browseTitle_ = title;
            if (!answered_) return false;
            folder = answer_;
            return true;
        });
        // A stray click on the link must never reach the shell (and the network).
        dialog_.link().setOpener([](const std::wstring&) { return true; });
    }
    ~RunningDialog() {
        if (thread_.joinable()) {
            if (!done_ && window_) PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
            thread_.join();
        }
    }

    // `makeOwner` runs on the dialog's thread and gives the owner window (null = none).
    HWND start(std::function<HWND()> makeOwner = {}) {
        thread_ = std::thread([this, makeOwner] {
            UniqueWindow owner(makeOwner ? makeOwner() : nullptr);
            result_ = dialog_.run(owner.get());
            done_ = true;
        });
        window_ = waitForWindow(L"#32770", L"JRE Not Found", GetCurrentProcessId());
        if (window_) bringToFront(window_);
        return window_;
    }

    // The next browse picks `folder`; without an answer it is cancelled.
    void answer(const std::wstring& folder) {
        std::lock_guard<std::mutex> lock(mutex_);
        answered_ = true;
        answer_ = folder;
    }
    void cancelBrowse() {
        std::lock_guard<std::mutex> lock(mutex_);
        answered_ = false;
    }
    int browses() {
        std::lock_guard<std::mutex> lock(mutex_);
        return browses_;
    }

    // Clicks Browse and waits until the dialog has handled the answer.
    void browse() {
        const int before = browses();
        clickWindow(item(IDC_BROWSE));
        waitUntil([&] { return browses() > before; });
        Sleep(100);
    }

    HWND item(int id) const { return GetDlgItem(window_, id); }
    bool okEnabled() const { return IsWindowEnabled(item(IDOK)) != FALSE; }
    bool finished() const { return done_; }
    // The dialog's result once it has ended; -100 when it is still open after the time-out.
    INT_PTR result(DWORD timeoutMs = 10000) {
        if (!waitUntil([&] { return done_.load(); }, timeoutMs)) return -100;
        thread_.join();
        return result_;
    }
    MissingRuntimeDialog& dialog() { return dialog_; }
    std::wstring browseTitle() {
        std::lock_guard<std::mutex> lock(mutex_);
        return browseTitle_;
    }

private:
    MissingRuntimeDialog dialog_;
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<bool> done_{false};
    std::atomic<INT_PTR> result_{0};
    std::mutex mutex_;
    bool answered_ = false;
    std::wstring answer_;
    std::wstring browseTitle_;
    int browses_ = 0;
};

RECT workArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

HWND makeOwner(const RECT& rect, bool visible) {
    return CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_CAPTION | (visible ? WS_VISIBLE : 0),
                           rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                           nullptr, nullptr, nullptr);
}

TEST(MissingRuntimeDialog, OpensWithTheMessageTheLinkAndOkDisabled) {
    ASSERT_TRUE(launcherResources()) << "the launcher's template is needed";
    RunningDialog run;
    const HWND window = run.start();
    ASSERT_TRUE(window);
    EXPECT_EQ(windowText(run.item(IDC_MESSAGE)), kMessage);
    EXPECT_EQ(windowText(run.item(IDC_LINK)), L"https://adoptium.net/");
    EXPECT_EQ(windowText(run.item(IDC_INSTRUCTION)),
              L"If you have a JRE installed you can browse for it below:");
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), L"");
    EXPECT_TRUE(GetWindowLongPtrW(run.item(IDC_JRE_PATH), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(run.okEnabled());
    EXPECT_TRUE(IsWindowEnabled(run.item(IDCANCEL)));
    EXPECT_TRUE(IsWindowEnabled(run.item(IDC_BROWSE)));

    // Without an owner it sits in the middle of the work area.
    const POINT centre = centreOf(screenRect(window));
    const POINT middle = centreOf(workArea());
    EXPECT_LE(std::abs(centre.x - middle.x), 1) << centre.x;
    EXPECT_LE(std::abs(centre.y - middle.y), 1) << centre.y;

    // Typing into the path box changes nothing: a path comes only from the browser.
    clickWindow(run.item(IDC_JRE_PATH));
    pressKey('X');
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), L"");

    // Neither a click on the disabled OK nor Enter ends the dialog.
    clickWindow(run.item(IDOK));
    bringToFront(window);
    pressKey(VK_RETURN);
    Sleep(300);
    EXPECT_FALSE(run.finished());
    saveScreenshot(window, L"missing-runtime-dialog");

    clickWindow(run.item(IDCANCEL));
    EXPECT_EQ(run.result(), IDCANCEL);
}

TEST(MissingRuntimeDialog, CentresOverAVisibleOwnerInsideTheWorkArea) {
    const RECT area = workArea();
    struct Case {
        const char* what;
        RECT owner;
        bool visible;
    };
    const Case cases[] = {
        {"visible owner", {200, 150, 700, 550}, true},
        {"owner at the bottom-right edge",
         {area.right - 120, area.bottom - 80, area.right, area.bottom},
         true},
        {"hidden owner", {0, 0, 300, 200}, false},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        const HWND window = run.start([&] { return makeOwner(c.owner, c.visible); });
        ASSERT_TRUE(window) << c.what;
        const RECT dialog = screenRect(window);
        EXPECT_GE(dialog.left, area.left) << c.what;
        EXPECT_GE(dialog.top, area.top) << c.what;
        EXPECT_LE(dialog.right, area.right) << c.what;
        EXPECT_LE(dialog.bottom, area.bottom) << c.what;
        const POINT centre = centreOf(dialog);
        const POINT expected = centreOf(c.visible ? c.owner : area);
        if (c.visible && c.owner.right == area.right) {
            EXPECT_EQ(dialog.right, area.right) << c.what;
            EXPECT_EQ(dialog.bottom, area.bottom) << c.what;
        } else {
            EXPECT_LE(std::abs(centre.x - expected.x), 1) << c.what << " x " << centre.x;
            EXPECT_LE(std::abs(centre.y - expected.y), 1) << c.what << " y " << centre.y;
        }
        pressKey(VK_ESCAPE);
        EXPECT_EQ(run.result(), IDCANCEL) << c.what;
    }
}

TEST(MissingRuntimeDialog, BrowseEnablesOkOnlyForAFolderWithTheRightLibrary) {
    const Runtimes runtimes;
    RunningDialog run(kMessage, 1);  // "JVM Type" server
    ASSERT_TRUE(run.start());

    run.answer(runtimes.clientOnly);
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), runtimes.clientOnly);
    EXPECT_FALSE(run.okEnabled()) << "a client VM does not do for a server application";
    EXPECT_EQ(run.browseTitle(), loadMessage(kMsgBrowseTitle));

    run.answer(runtimes.server + L"\\");
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), runtimes.server + L"\\");
    EXPECT_TRUE(run.okEnabled());

    // A cancelled browse changes nothing.
    run.cancelBrowse();
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), runtimes.server + L"\\");
    EXPECT_TRUE(run.okEnabled());

    // A later folder without a library takes OK back.
    run.answer(runtimes.empty);
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), runtimes.empty);
    EXPECT_FALSE(run.okEnabled());
    bringToFront(GetParent(run.item(IDOK)));
    pressKey(VK_RETURN);
    clickWindow(run.item(IDOK));
    EXPECT_FALSE(run.finished());

    clickWindow(run.item(IDCANCEL));
    EXPECT_EQ(run.result(), IDCANCEL);
    EXPECT_EQ(run.dialog().jvmLibraryPath(), L"");
}

TEST(MissingRuntimeDialog, OkHandsOnTheLibraryAndTheFolderWithABackslash) {
    const Runtimes runtimes;
    struct Case {
        int32_t jvmType;
        std::wstring folder;
        std::wstring library;
    };
    const Case cases[] = {
        {0, runtimes.clientOnly, runtimes.clientOnly + L"\\bin\\client\\jvm.dll"},
        {2, runtimes.server, runtimes.server + L"\\bin\\server\\jvm.dll"},
    };
    for (const Case& c : cases) {
        RunningDialog run(kMessage, c.jvmType);
        ASSERT_TRUE(run.start());
        run.answer(c.folder);
        run.browse();
        ASSERT_TRUE(run.okEnabled());
        clickWindow(run.item(IDOK));
        EXPECT_EQ(run.result(), IDOK);
        EXPECT_EQ(run.dialog().chosenFolder(), c.folder + L"\\");
        EXPECT_EQ(run.dialog().jvmLibraryPath(), c.library);
    }
}

TEST(MissingRuntimeDialog, OddFoldersNeitherCrashNorPassAsRuntimes) {
    const Runtimes runtimes;
    RunningDialog run;
    ASSERT_TRUE(run.start());

    // A drive root keeps its single backslash.
    run.answer(L"C:\\");
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), L"C:\\");
    EXPECT_FALSE(run.okEnabled());

    // The longest path the shell hands out: 259 characters, 260 with the backslash.
    std::wstring deep = runtimes.root;
    while (deep.size() < 259) deep += L"\\d";
    deep.resize(259);
    if (deep.back() == L'\\') deep.back() = L'x';
    run.answer(deep);
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), deep);
    EXPECT_FALSE(run.okEnabled());

    // A selection without a file-system path shows nothing and probes nothing.
    run.answer(L"");
    run.browse();
    EXPECT_EQ(windowText(run.item(IDC_JRE_PATH)), L"");
    EXPECT_FALSE(run.okEnabled());

    pressKey(VK_ESCAPE);
    EXPECT_EQ(run.result(), IDCANCEL);
    EXPECT_EQ(run.dialog().chosenFolder(), L"");

    // A folder whose "jvm.dll" is a directory exists for the probe as a library does.
    const std::wstring odd = runtimes.make(L"odd", nullptr);
    CreateDirectoryW((odd + L"\\bin").c_str(), nullptr);
    CreateDirectoryW((odd + L"\\bin\\server").c_str(), nullptr);
    CreateDirectoryW((odd + L"\\bin\\server\\jvm.dll").c_str(), nullptr);
    RunningDialog second;
    ASSERT_TRUE(second.start());
    second.answer(odd);
    second.browse();
    EXPECT_TRUE(second.okEnabled());
    pressKey(VK_ESCAPE);
    EXPECT_EQ(second.result(), IDCANCEL);
}

TEST(MissingRuntimeDialog, CancelEscapeAndTheCloseBoxEndWithCancel) {
    const Runtimes runtimes;
    for (const char* how : {"Cancel", "Esc", "close box"}) {
        RunningDialog run;
        const HWND window = run.start();
        ASSERT_TRUE(window) << how;
        run.answer(runtimes.server);
        run.browse();
        ASSERT_TRUE(run.okEnabled()) << how;
        const std::string way = how;
        if (way == "Cancel") {
            clickWindow(run.item(IDCANCEL));
        } else if (way == "Esc") {
            bringToFront(window);
            pressKey(VK_ESCAPE);
        } else {
            clickAt(closeBoxOf(window));
        }
        EXPECT_EQ(run.result(), IDCANCEL) << how;
    }
}

TEST(MissingRuntimeDialog, ATemplateThatCannotBeFoundFailsInsteadOfWaiting) {
    MissingRuntimeDialog dialog(kMessage, 0);
    dialog.setResourceModule(GetModuleHandleW(nullptr));  // the test program has no dialog 201
    SetLastError(0);
    EXPECT_EQ(dialog.run(nullptr), -1);
    EXPECT_NE(GetLastError(), 0u);
}

}  // namespace
}  // namespace qx
