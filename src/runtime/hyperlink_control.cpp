#include "runtime/hyperlink_control.h"

#include <windowsx.h>

#include <commctrl.h>
#include <shellapi.h>

#include "runtime/colour_text.h"

namespace qx {
namespace {

constexpr wchar_t kSelfProperty[] = L"qx.HyperlinkControl";
constexpr wchar_t kColourKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
constexpr UINT kToolId = 1;
constexpr UINT kLastMouseMessage = 0x020E;  // WM_MOUSEHWHEEL

// A window's device context for measuring, released on every path.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window) { BeginPaint(window, &paint_); }
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return paint_.hdc; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

// Selects a font into a device context and puts the previous one back.
class SelectedFont {
public:
    SelectedFont(HDC dc, HFONT font) : dc_(dc), previous_(font ? SelectObject(dc, font) : nullptr) {}
    ~SelectedFont() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

bool isWindowsVistaOrLater() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    const ULONGLONG condition = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION, condition);
}

void readColour(HKEY key, const wchar_t* name, COLORREF& colour) {
    uint8_t data[24];
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) return;
    uint32_t value = 0;
    if (colourFromRegistryValue(type, data, size, value)) colour = value;
}

}  // namespace

bool shellOpen(const std::wstring& target) {
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

HyperlinkControl::HyperlinkControl() : opener_(shellOpen) {}

HyperlinkControl::~HyperlinkControl() {
    // A control that outlives this object must not call into it any more.
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        RemovePropW(window_, kSelfProperty);
    }
}

void HyperlinkControl::attach(HWND window) {
    if (window_ || !window) return;
    window_ = window;
    SetPropW(window, kSelfProperty, this);
    const LONG_PTR previous =
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HyperlinkControl::windowProc));
    if (previous) previousProc_ = reinterpret_cast<WNDPROC>(previous);
    initialise();
}

void HyperlinkControl::initialise() {
    wchar_t className[8] = L"";
    GetClassNameW(window_, className, 8);
    if (_wcsicmp(className, L"static") == 0) {
        const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
        if (!(style & SS_NOTIFY)) SetWindowLongPtrW(window_, GWL_STYLE, style | SS_NOTIFY);
        // Picture and frame statics draw themselves.
        const LONG_PTR type = style & SS_TYPEMASK;
        if ((type >= SS_ICON && type <= SS_WHITEFRAME) || (type >= SS_OWNERDRAW && type <= SS_ENHMETAFILE)) {
            paintLabel_ = false;
        }
    }
    cursor_ = LoadCursorW(nullptr, IDC_HAND);
    if (paintLabel_) {
        if (!normalFont_) {
            LOGFONTW iconTitle{};
            if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof iconTitle, &iconTitle, 0)) {
                ownedNormalFont_.reset(CreateFontIndirectW(&iconTitle));
                normalFont_ = ownedNormalFont_.get();
            }
        }
        if (!linkFont_) createLinkFont();
    }

    loadTooltipClass();
    tooltip_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleW(nullptr),
                                   nullptr));

    if (label_.empty()) {
        const int length = GetWindowTextLengthW(window_);
        if (length > 0) {
            label_.resize(static_cast<size_t>(length) + 1);
            label_.resize(static_cast<size_t>(GetWindowTextW(window_, label_.data(), length + 1)));
        }
    }
    computeLinkRect();
    target_ = label_;

    if (tooltip_) {
        SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
        TTTOOLINFOW tool{};
        tool.cbSize = isWindowsVistaOrLater() ? sizeof(TTTOOLINFOW) : TTTOOLINFOW_V2_SIZE;
        tool.hwnd = window_;
        tool.uId = kToolId;
        tool.rect = linkRect_;
        tool.hinst = GetModuleHandleW(nullptr);
        tool.lpszText = target_.data();
        SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (paintLabel_) readColours();
}

void HyperlinkControl::loadTooltipClass() {
    if (commonControls_) return;
    commonControls_.reset(LoadLibraryW(L"comctl32.dll"));
    if (!commonControls_) return;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = reinterpret_cast<InitFn>(
        reinterpret_cast<void*>(GetProcAddress(commonControls_.get(), "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    if (init) init(&classes);
}

void HyperlinkControl::createLinkFont() {
    HGDIOBJ base = normalFont_ ? static_cast<HGDIOBJ>(normalFont_) : GetStockObject(SYSTEM_FONT);
    LOGFONTW font{};
    if (!GetObjectW(base, sizeof font, &font)) return;
    font.lfUnderline = TRUE;
    linkFont_.reset(CreateFontIndirectW(&font));
}

UINT HyperlinkControl::textAlignment() const {
    switch (GetWindowLongPtrW(window_, GWL_STYLE) & SS_TYPEMASK) {
        case SS_CENTER:
            return DT_CENTER;
        case SS_RIGHT:
            return DT_RIGHT;
        default:
            return DT_LEFT;
    }
}

void HyperlinkControl::computeLinkRect() {
    if (!window_ || !IsWindow(window_) || shownText().empty()) return;
    RECT client{};
    GetClientRect(window_, &client);
    linkRect_ = client;
    if (paintLabel_) {
        WindowDc dc(window_);
        SelectedFont font(dc.get(), linkFont_ ? linkFont_.get() : normalFont_);
        const UINT alignment = textAlignment();
        DrawTextW(dc.get(), shownText().c_str(), -1, &linkRect_, DT_CALCRECT | DT_WORDBREAK | alignment);
        const LONG spare = (client.right - client.left) - (linkRect_.right - linkRect_.left);
        if (alignment == DT_CENTER) OffsetRect(&linkRect_, spare / 2, 0);
        if (alignment == DT_RIGHT) OffsetRect(&linkRect_, spare, 0);
    }
    if (tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window_;
        tool.uId = kToolId;
        tool.rect = linkRect_;
        SendMessageW(tooltip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void HyperlinkControl::readColours() {
    HKEY raw = nullptr;
    // Read and write access as the browser's own settings page asks for; without it the defaults stay.
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kColourKey, 0, KEY_READ | KEY_WRITE, &raw) != ERROR_SUCCESS) return;
    UniqueKey key(raw);
    readColour(key.get(), L"Anchor Color", linkColour_);
    readColour(key.get(), L"Anchor Color Visited", visitedColour_);
}

bool HyperlinkControl::inLink(POINT clientPoint) const { return PtInRect(&linkRect_, clientPoint) != FALSE; }

void HyperlinkControl::redraw(bool now) {
    InvalidateRect(window_, nullptr, TRUE);
    if (now) UpdateWindow(window_);
}

void HyperlinkControl::paint(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    const HWND parent = GetParent(window_);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(parent ? parent : window_, WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(window_)));
    if (brush) FillRect(dc, &client, brush);

    SetBkMode(dc, TRANSPARENT);
    const COLORREF colour = !IsWindowEnabled(window_) ? GetSysColor(COLOR_GRAYTEXT)
                            : visited_                ? visitedColour_
                                                      : linkColour_;
    const COLORREF previousColour = SetTextColor(dc, colour);
    {
        SelectedFont font(dc, linkFont_ ? linkFont_.get() : normalFont_);
        RECT text = linkRect_;
        DrawTextW(dc, shownText().c_str(), -1, &text, DT_WORDBREAK | textAlignment());
    }
    if (GetFocus() == window_) DrawFocusRect(dc, &linkRect_);
    SetTextColor(dc, previousColour);
}

void HyperlinkControl::navigate() {
    if (target_.empty() || !opener_) return;
    if (!opener_(target_)) return;
    visited_ = true;
    redraw(false);
}

LRESULT HyperlinkControl::passOn(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(previousProc_, window_, message, wParam, lParam);
}

LRESULT CALLBACK HyperlinkControl::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<HyperlinkControl*>(GetPropW(window, kSelfProperty));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC previous = self->previousProc_;
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(window, kSelfProperty);
        self->window_ = nullptr;
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT HyperlinkControl::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= kLastMouseMessage && tooltip_) {
        MSG relayed{window_, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        const DWORD position = GetMessagePos();
        relayed.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
        SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_SIZE:
            computeLinkRect();
            redraw(false);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (!paintLabel_) break;
            redraw(false);
            return 0;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            if (!paintLabel_) break;
            if (wParam) {
                paint(reinterpret_cast<HDC>(wParam));
            } else {
                PaintDc dc(window_);
                paint(dc.get());
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR: {
            POINT cursor{};
            GetCursorPos(&cursor);
            ScreenToClient(window_, &cursor);
            if (!inLink(cursor) || target_.empty()) break;
            SetCursor(cursor_);
            return TRUE;
        }
        case WM_MOUSEMOVE:
            if (!inLink(point) || target_.empty()) break;
            SetCursor(cursor_);
            return 0;
        case WM_LBUTTONDOWN:
            if (inLink(point)) {
                SetFocus(window_);
                SetCapture(window_);
            }
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == window_) {
                ReleaseCapture();
                if (inLink(point)) navigate();
            }
            return 0;
        case WM_CHAR:
            if (wParam == L'\r' || wParam == L' ') navigate();
            return 0;
        case WM_GETDLGCODE: {
            // Enter must reach the link as a character rather than press the dialog's default button.
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) {
                return DLGC_WANTCHARS | DLGC_WANTMESSAGE;
            }
            return DLGC_WANTCHARS;
        }
        case WM_SETFONT:
            if (ownedNormalFont_) ownedNormalFont_.reset();
            normalFont_ = reinterpret_cast<HFONT>(wParam);
            if (linkFont_) createLinkFont();
            computeLinkRect();
            if (LOWORD(lParam)) redraw(true);
            return 0;
        case WM_ENABLE:
            redraw(true);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(normalFont_);
        case WM_UPDATEUISTATE:
            return 0;
        case WM_DESTROY:
            tooltip_.reset();
            linkFont_.reset();
            if (ownedNormalFont_) {
                ownedNormalFont_.reset();
                normalFont_ = nullptr;
            }
            break;
        default:
            break;
    }
    return passOn(message, wParam, lParam);
}

}  // namespace qx
