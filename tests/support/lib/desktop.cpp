#include "support/lib/desktop.h"

#include <algorithm>
#include <climits>

#include "base/scoped.h"
#include "support/lib/test_env.h"

namespace qxtest {
namespace {

void sendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

void sendKey(WORD virtualKey, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// Input reaches the target thread's queue asynchronously; give it time to be handled.
void settle() { Sleep(150); }

struct Search {
    const wchar_t* className;
    const wchar_t* title;
    DWORD processId;
    HWND owner;
    HWND except;
    HWND found;
    const std::wstring* image = nullptr;
};

bool runsImage(HWND window, const std::wstring& image) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    qx::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return false;
    wchar_t path[MAX_PATH * 4] = L"";
    DWORD size = MAX_PATH * 4;
    return QueryFullProcessImageNameW(process.get(), 0, path, &size) && _wcsicmp(path, image.c_str()) == 0;
}

BOOL CALLBACK matchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || window == search->except) return TRUE;
    if (search->owner && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    if (search->processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != search->processId) return TRUE;
    }
    if (search->className && className(window) != search->className) return TRUE;
    if (search->title && windowText(window) != search->title) return TRUE;
    if (search->image && !runsImage(window, *search->image)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findWindow(Search search, DWORD timeoutMs) {
    waitUntil(
        [&] {
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

}  // namespace

void useWineDrawnFrames() {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS) {
        return;
    }
    qx::UniqueKey key(raw);
    static const wchar_t kNo[] = L"N";
    RegSetValueExW(key.get(), L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNo), sizeof kNo);
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

HWND waitForWindow(const wchar_t* className, const wchar_t* title, DWORD processId, DWORD timeoutMs) {
    return findWindow({className, title, processId, nullptr, nullptr, nullptr}, timeoutMs);
}

HWND waitForProcessWindow(const std::wstring& image, const wchar_t* className, const wchar_t* title,
                          DWORD timeoutMs) {
    Search search{className, title, 0, nullptr, nullptr, nullptr};
    search.image = &image;
    return findWindow(search, timeoutMs);
}

HWND waitForOwnedWindow(HWND owner, DWORD timeoutMs) {
    return findWindow({nullptr, nullptr, 0, owner, owner, nullptr}, timeoutMs);
}

bool bringToFront(HWND window) {
    return waitUntil(
        [&] {
            SetForegroundWindow(window);
            return GetForegroundWindow() == window;
        },
        5000);
}

void moveMouse(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    const LONG x = static_cast<LONG>((screen.x * 65536LL + width / 2) / width);
    const LONG y = static_cast<LONG>((screen.y * 65536LL + height / 2) / height);
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
    settle();
}

void pressLeft() {
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    settle();
}

void releaseLeft() {
    sendMouse(MOUSEEVENTF_LEFTUP);
    settle();
}

void clickAt(POINT screen) {
    moveMouse(screen);
    pressLeft();
    releaseLeft();
}

void clickWindow(HWND window) { clickAt(centreOf(screenRect(window))); }

void pressKey(WORD virtualKey) {
    sendKey(virtualKey, 0);
    sendKey(virtualKey, KEYEVENTF_KEYUP);
    settle();
}

POINT centreOf(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

RECT screenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::wstring windowText(HWND window) {
    // GetWindowTextW cannot read a control of another process; the messages are passed across.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(std::max<DWORD_PTR>(length, 1023) + 1, L'\0');
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &length);
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

POINT closeBoxOf(HWND window) {
    // Ask the window itself where its close box is: the middle of the points it calls HTCLOSE.
    const RECT frame = screenRect(window);
    LONG left = LONG_MAX, right = LONG_MIN, top = LONG_MAX, bottom = LONG_MIN;
    for (LONG y = frame.top; y < frame.top + 40 && y < frame.bottom; ++y) {
        for (LONG x = frame.right - 1; x > frame.right - 60 && x >= frame.left; --x) {
            const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
            if (hit != HTCLOSE) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (left > right) return {frame.right - 10, frame.top + 10};
    return {(left + right) / 2, (top + bottom) / 2};
}

std::vector<COLORREF> capturePixels(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0) return pixels;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* raw = static_cast<const uint32_t*>(bits);
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int i = 0; i < width * height; ++i) {
        const uint32_t bgr = raw[i];
        pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

size_t countPixels(const std::vector<COLORREF>& pixels, COLORREF colour) {
    size_t count = 0;
    for (COLORREF pixel : pixels) count += pixel == colour ? 1 : 0;
    return count;
}

std::wstring saveScreenshot(HWND window, const std::wstring& name) {
    return saveScreenshot(screenRect(window), name);
}

std::wstring saveScreenshot(const RECT& rect, const std::wstring& name) {
    const std::vector<COLORREF> pixels = capturePixels(rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const std::wstring dir = outDir() + L"\\test-screens";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"\\" + name + L".bmp";
    if (pixels.empty()) return path;

    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD imageBytes = static_cast<DWORD>(pixels.size() * 4);
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageBytes;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (COLORREF pixel : pixels) {
        const char bgra[4] = {static_cast<char>(GetBValue(pixel)), static_cast<char>(GetGValue(pixel)),
                              static_cast<char>(GetRValue(pixel)), 0};
        bytes.append(bgra, 4);
    }
    writeFile(path, bytes);
    return path;
}

}  // namespace qxtest
