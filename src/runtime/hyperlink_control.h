// A static text control taken over as a link: underlined in the link colour, a hand cursor and a
// tooltip over its text, and the shell opens its target on a click, Enter or space.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/scoped.h"

namespace qx {

// ShellExecuteW "open" of `target` with no owner; true when the shell reports success (above 32).
[[nodiscard]] bool shellOpen(const std::wstring& target);

class HyperlinkControl {
public:
    // Opens a target; true on success, which marks the link visited.
    using Opener = std::function<bool(const std::wstring& target)>;

    HyperlinkControl();
    ~HyperlinkControl();
    HyperlinkControl(const HyperlinkControl&) = delete;
    HyperlinkControl& operator=(const HyperlinkControl&) = delete;

    // The font the text is measured and drawn with; stays the caller's.
    void setNormalFont(HFONT font) { normalFont_ = font; }
    HFONT normalFont() const { return normalFont_; }
    // Replaces the shell (tests record the target instead of opening it).
    void setOpener(Opener opener) { opener_ = std::move(opener); }

    // Subclasses the static `window` and initialises the link from its text and the user's link
    // colours. Once per control object.
    void attach(HWND window);

    HWND window() const { return window_; }
    HWND tooltip() const { return tooltip_.get(); }
    const std::wstring& target() const { return target_; }
    // Where the text lies, in client coordinates: the only area that reacts to the mouse.
    const RECT& linkRect() const { return linkRect_; }
    COLORREF linkColour() const { return linkColour_; }
    COLORREF visitedColour() const { return visitedColour_; }
    bool visited() const { return visited_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT passOn(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void loadTooltipClass();
    void createLinkFont();
    void computeLinkRect();
    void readColours();
    void paint(HDC dc);
    void navigate();
    void redraw(bool now);
    bool inLink(POINT clientPoint) const;
    UINT textAlignment() const;
    const std::wstring& shownText() const { return label_.empty() ? target_ : label_; }

    HWND window_ = nullptr;
    WNDPROC previousProc_ = DefWindowProcW;
    std::wstring label_;
    std::wstring target_;
    HCURSOR cursor_ = nullptr;  // a shared system cursor: never destroyed
    UniqueFont linkFont_;
    HFONT normalFont_ = nullptr;
    UniqueFont ownedNormalFont_;  // set when the control had to make its normal font itself
    RECT linkRect_{};
    // Loaded only when a link is shown: importing the common controls would start the window
    // system in every launcher process, even one that never shows a window.
    UniqueModule commonControls_;
    UniqueWindow tooltip_;
    COLORREF linkColour_ = RGB(0, 0, 255);
    COLORREF visitedColour_ = RGB(128, 0, 128);
    bool paintLabel_ = true;
    bool visited_ = false;
    Opener opener_;
};

}  // namespace qx
