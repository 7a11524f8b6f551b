// The link control on a static of a real window, driven with real mouse and keyboard input.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "base/scoped.h"
#include "runtime/hyperlink_control.h"
#include "support/lib/desktop.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using namespace qxtest;

constexpr wchar_t kAddress[] = L"https://example.org/";
constexpr wchar_t kColourKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kPurple = RGB(128, 0, 128);

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A window with one static taken over as a link, running its own message loop on its own thread.
class LinkHost {
public:
    enum class Open { Succeed, Fail, Shell };

    explicit LinkHost(std::wstring text = kAddress, DWORD alignment = SS_LEFT, Open open = Open::Succeed)
        : succeed_(open != Open::Fail) {
        thread_ = std::thread([this, text, alignment, open] { run(text, alignment, open); });
        waitUntil([&] { return ready_.load(); });
        if (parent_) bringToFront(parent_);
    }
    ~LinkHost() {
        if (parent_) PostMessageW(parent_, WM_CLOSE, 0, 0);
        thread_.join();
    }

    HWND link() const { return link_; }
    HyperlinkControl& control() { return control_; }
    void setOpenSucceeds(bool succeed) { succeed_ = succeed; }
    std::vector<std::wstring> opened() {
        std::lock_guard<std::mutex> lock(mutex_);
        return opened_;
    }
    size_t openCount() { return opened().size(); }
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(threadId_, &info);
        return info.hwndFocus;
    }
    // The link rectangle in screen coordinates.
    RECT textRect() const {
        RECT rect = linkRect_;
        MapWindowPoints(link_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    std::vector<COLORREF> pixels() const { return capturePixels(screenRect(link_)); }
    bool shows(COLORREF colour) const {
        return waitUntil([&] { return countPixels(pixels(), colour) > 20; }, 3000);
    }

private:
    void run(const std::wstring& text, DWORD alignment, Open open) {
        threadId_ = GetCurrentThreadId();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = hostProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"QxLinkHost";
        RegisterClassW(&windowClass);
        parent_ = CreateWindowExW(0, L"QxLinkHost", L"Link host", WS_POPUP | WS_CAPTION | WS_VISIBLE, 200,
                                  200, 460, 140, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        link_ = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | alignment, 20, 20, 400,
                                40, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
        control_.setNormalFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        if (open != Open::Shell) {
            control_.setOpener([this](const std::wstring& target) {
                std::lock_guard<std::mutex> lock(mutex_);
                opened_.push_back(target);
                return succeed_.load();
            });
        }
        control_.attach(link_);
        linkRect_ = control_.linkRect();
        ready_ = true;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (IsDialogMessageW(parent_, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    HyperlinkControl control_;
    std::thread thread_;
    DWORD threadId_ = 0;
    HWND parent_ = nullptr;
    HWND link_ = nullptr;
    RECT linkRect_{};
    std::atomic<bool> ready_{false};
    std::atomic<bool> succeed_;
    std::mutex mutex_;
    std::vector<std::wstring> opened_;
};

HCURSOR currentCursor() {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return info.hCursor;
}

// Sets the browser's link colour values for one test and puts the old ones back.
class ColourSettings {
public:
    ColourSettings() {
        HKEY raw = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, kColourKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &raw,
                        nullptr);
        key_.reset(raw);
        for (Saved& saved : saved_) {
            DWORD size = sizeof saved.data;
            saved.present = RegQueryValueExW(key_.get(), saved.name, nullptr, &saved.type, saved.data,
                                             &size) == ERROR_SUCCESS;
            saved.size = size;
            RegDeleteValueW(key_.get(), saved.name);
        }
    }
    ~ColourSettings() {
        for (const Saved& saved : saved_) {
            RegDeleteValueW(key_.get(), saved.name);
            if (saved.present) RegSetValueExW(key_.get(), saved.name, 0, saved.type, saved.data, saved.size);
        }
    }
    void set(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    }
    // Stores exactly these bytes: Wine's RegSetValueExW would add a missing string terminator.
    bool setRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        struct CountedName {
            USHORT length;
            USHORT maximumLength;
            const wchar_t* buffer;
        };
        using SetValueFn = LONG(WINAPI*)(HANDLE, CountedName*, ULONG, ULONG, const void*, ULONG);
        const auto setValue = reinterpret_cast<SetValueFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
        if (!setValue) return false;
        const USHORT bytes = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
        CountedName counted{bytes, bytes, name};
        return setValue(key_.get(), &counted, 0, type, data, size) == 0;
    }
    void setText(const wchar_t* name, const std::wstring& text) {
        set(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    struct Saved {
        const wchar_t* name;
        bool present = false;
        DWORD type = 0;
        BYTE data[512]{};
        DWORD size = 0;
    };
    UniqueKey key_;
    Saved saved_[2] = {{L"Anchor Color"}, {L"Anchor Color Visited"}};
};

TEST(HyperlinkControl, BlueUntilAnOpenSucceedsThenPurple) {
    ColourSettings defaults;
    LinkHost host;
    EXPECT_TRUE(host.shows(kBlue));
    EXPECT_EQ(countPixels(host.pixels(), kPurple), 0u);

    host.setOpenSucceeds(false);
    clickAt(centreOf(host.textRect()));
    ASSERT_TRUE(waitUntil([&] { return host.openCount() == 1; }, 3000));
    Sleep(300);
    EXPECT_EQ(countPixels(host.pixels(), kPurple), 0u) << "a failed open leaves the link unvisited";
    EXPECT_FALSE(host.control().visited());

    host.setOpenSucceeds(true);
    clickAt(centreOf(host.textRect()));
    ASSERT_TRUE(waitUntil([&] { return host.openCount() == 2; }, 3000));
    EXPECT_TRUE(host.shows(kPurple));
    EXPECT_EQ(countPixels(host.pixels(), kBlue), 0u);
    EXPECT_EQ(host.opened(), (std::vector<std::wstring>{kAddress, kAddress}));
}

TEST(HyperlinkControl, HandCursorAndTooltipOnlyOverTheText) {
    LinkHost host;
    const RECT text = host.textRect();
    const RECT whole = screenRect(host.link());
    ASSERT_LT(text.right + 30, whole.right) << "the text must leave part of the static free";
    const HWND tooltip = host.control().tooltip();
    ASSERT_TRUE(tooltip);
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);

    moveMouse(centreOf(text));
    moveMouse({centreOf(text).x + 2, centreOf(text).y});
    EXPECT_TRUE(waitUntil([&] { return currentCursor() == hand; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(tooltip) != FALSE; }, 5000))
        << "tooltip over the text";
    EXPECT_EQ(windowText(tooltip), kAddress);
    saveScreenshot(GetParent(host.link()), L"hyperlink-hover");

    const POINT beside{(text.right + whole.right) / 2, centreOf(text).y};
    moveMouse(beside);
    moveMouse({beside.x + 2, beside.y});
    EXPECT_TRUE(waitUntil([&] { return currentCursor() != hand; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(tooltip); }, 3000)) << "no tooltip beside the text";
    Sleep(1000);
    EXPECT_FALSE(IsWindowVisible(tooltip));
    EXPECT_NE(currentCursor(), hand);
}

TEST(HyperlinkControl, OnlyAClickThatStartsAndEndsOnTheTextOpens) {
    LinkHost host;
    const RECT text = host.textRect();
    const RECT whole = screenRect(host.link());

    // Beside the text, inside the static: no focus, nothing opened.
    clickAt({(text.right + whole.right) / 2, centreOf(text).y});
    Sleep(200);
    EXPECT_NE(host.focus(), host.link());
    EXPECT_EQ(host.openCount(), 0u);

    // Pressed on the text, released outside it: the link takes the focus but opens nothing.
    moveMouse(centreOf(text));
    pressLeft();
    moveMouse({centreOf(text).x, whole.bottom + 20});
    releaseLeft();
    Sleep(200);
    EXPECT_EQ(host.focus(), host.link());
    EXPECT_EQ(host.openCount(), 0u);

    clickAt(centreOf(text));
    EXPECT_TRUE(waitUntil([&] { return host.openCount() == 1; }, 3000));
    EXPECT_EQ(host.focus(), host.link());

    // With the focus, space and Enter open it again; other keys do nothing.
    pressKey(VK_SPACE);
    EXPECT_TRUE(waitUntil([&] { return host.openCount() == 2; }, 3000));
    pressKey(VK_RETURN);
    EXPECT_TRUE(waitUntil([&] { return host.openCount() == 3; }, 3000));
    pressKey('A');
    pressKey(VK_TAB);
    Sleep(300);
    EXPECT_EQ(host.openCount(), 3u);
}

TEST(HyperlinkControl, BrowserColourSettingsApplyOnlyWhenWellFormed) {
    const COLORREF red = RGB(255, 0, 0);
    {
        ColourSettings settings;
        settings.setText(L"Anchor Color", L"255,0,0");
        settings.setText(L"Anchor Color Visited", L"0,128,0");
        LinkHost host;
        EXPECT_EQ(host.control().linkColour(), red);
        EXPECT_EQ(host.control().visitedColour(), RGB(0, 128, 0));
        EXPECT_TRUE(host.shows(red));
        EXPECT_EQ(countPixels(host.pixels(), kBlue), 0u);
        clickAt(centreOf(host.textRect()));
        EXPECT_TRUE(host.shows(RGB(0, 128, 0)));
    }
    // "a,b,c" reads as numbers that are 0: black.
    {
        ColourSettings settings;
        settings.setText(L"Anchor Color", L"a,b,c");
        LinkHost host;
        EXPECT_EQ(host.control().linkColour(), RGB(0, 0, 0));
        EXPECT_EQ(host.control().visitedColour(), kPurple);
    }
    struct Bad {
        const char* what;
        DWORD type;
        std::wstring text;
        DWORD size;  // 0: the text with its NUL
    };
    const DWORD redDword = 0x0000FF;
    const Bad bad[] = {
        {"a DWORD", REG_DWORD, L"", 0},
        {"too long", REG_SZ, L"255,0,0       ", 0},
        {"no terminator", REG_SZ, L"255,0,0", 14},
        {"an odd size", REG_EXPAND_SZ, L"255,0,0", 15},
        {"two components", REG_SZ, L"255,0", 0},
        {"empty blue", REG_SZ, L"255,0,", 0},
        {"no commas", REG_SZ, L"255", 0},
    };
    for (const Bad& b : bad) {
        ColourSettings settings;
        if (b.type == REG_DWORD) {
            settings.set(L"Anchor Color", REG_DWORD, &redDword, sizeof redDword);
            settings.set(L"Anchor Color Visited", REG_DWORD, &redDword, sizeof redDword);
        } else {
            const DWORD size = b.size ? b.size : static_cast<DWORD>((b.text.size() + 1) * sizeof(wchar_t));
            ASSERT_TRUE(settings.setRaw(L"Anchor Color", b.type, b.text.c_str(), size)) << b.what;
            ASSERT_TRUE(settings.setRaw(L"Anchor Color Visited", b.type, b.text.c_str(), size)) << b.what;
        }
        LinkHost host;
        EXPECT_EQ(host.control().linkColour(), kBlue) << b.what;
        EXPECT_EQ(host.control().visitedColour(), kPurple) << b.what;
    }
}

TEST(HyperlinkControl, ADisabledLinkDrawsGrey) {
    ColourSettings defaults;
    LinkHost host;
    ASSERT_TRUE(host.shows(kBlue));
    EnableWindow(host.link(), FALSE);
    EXPECT_TRUE(host.shows(GetSysColor(COLOR_GRAYTEXT)));
    EXPECT_EQ(countPixels(host.pixels(), kBlue), 0u);
    saveScreenshot(GetParent(host.link()), L"hyperlink-disabled");
    EnableWindow(host.link(), TRUE);
    EXPECT_TRUE(host.shows(kBlue));
}

// The shell itself, on targets that need no network: a program that exists and one that does not.
TEST(HyperlinkControl, TheShellOpensTheTargetAndOnlySuccessMarksItVisited) {
    ColourSettings defaults;
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring program = std::wstring(system) + L"\\hostname.exe";
    ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES);
    {
        LinkHost host(program, SS_LEFT, LinkHost::Open::Shell);
        clickAt(centreOf(host.textRect()));
        EXPECT_TRUE(host.shows(kPurple));
        EXPECT_TRUE(host.control().visited());
    }
    {
        LinkHost host(scratchDir(L"hyperlink-shell") + L"\\missing.qxnothing", SS_LEFT,
                      LinkHost::Open::Shell);
        clickAt(centreOf(host.textRect()));
        Sleep(2000);
        EXPECT_EQ(countPixels(host.pixels(), kPurple), 0u);
        EXPECT_FALSE(host.control().visited());
        EXPECT_TRUE(host.shows(kBlue));
    }
}

}  // namespace
}  // namespace qx
