// Driving windows as a user would on the test display: finding them, real mouse and keyboard input
// (SendInput), reading their state and saving screenshots of them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qxtest {

// There is no window manager on the test display: Wine then draws captions and close boxes itself.
// Affects windows of processes (and their display drivers) started after the call.
void useWineDrawnFrames();

// Polls `condition` until it holds or `timeoutMs` passes.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// A visible top-level window of that class and title (either may be null) in process `processId` (0 =
// any process); null after the time-out.
HWND waitForWindow(const wchar_t* className, const wchar_t* title, DWORD processId = 0,
                   DWORD timeoutMs = 30000);
// The same for a window of a process started from the program file `image` (full path).
HWND waitForProcessWindow(const std::wstring& image, const wchar_t* className, const wchar_t* title,
                          DWORD timeoutMs = 30000);
// A visible top-level window owned by `owner`, other than `except`; null after the time-out.
HWND waitForOwnedWindow(HWND owner, DWORD timeoutMs = 30000);

// Activates `window` so that keys reach it; true when it became the foreground window.
bool bringToFront(HWND window);

// Real input: the pointer moves to a screen point; a click presses and releases the left button there.
void moveMouse(POINT screen);
void pressLeft();
void releaseLeft();
void clickAt(POINT screen);
void clickWindow(HWND window);  // the centre of its window rectangle
void pressKey(WORD virtualKey);

POINT centreOf(const RECT& rect);
RECT screenRect(HWND window);
// The text of a window or control, in this process or another.
std::wstring windowText(HWND window);
std::wstring className(HWND window);

// The caption's close box of a window whose frame Wine draws (see useWineDrawnFrames).
POINT closeBoxOf(HWND window);

// Screen pixels of `rect` (screen coordinates), row by row.
std::vector<COLORREF> capturePixels(const RECT& rect);
size_t countPixels(const std::vector<COLORREF>& pixels, COLORREF colour);

// Saves the screen area of `window` (or `rect`, in screen coordinates) as
// <outDir>\test-screens\<name>.bmp and returns that path.
std::wstring saveScreenshot(HWND window, const std::wstring& name);
std::wstring saveScreenshot(const RECT& rect, const std::wstring& name);

}  // namespace qxtest
