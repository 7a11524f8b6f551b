// The dialog that replaces a dead start when no runtime was found: the requirement, a link to a
// download page and a folder browser that accepts only a folder holding a JVM library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/hyperlink_control.h"

namespace qx {

// The system's folder browser (file-system folders only, no new-folder button). False when the user
// cancels; otherwise `folder` is the chosen path as the shell gives it (empty when the selection has
// no file-system path).
[[nodiscard]] bool browseForFolder(HWND owner, const std::wstring& title, std::wstring& folder);

class MissingRuntimeDialog {
public:
    using Browser = std::function<bool(HWND owner, const std::wstring& title, std::wstring& folder)>;

    MissingRuntimeDialog(std::wstring message, int32_t jvmType);
    MissingRuntimeDialog(const MissingRuntimeDialog&) = delete;
    MissingRuntimeDialog& operator=(const MissingRuntimeDialog&) = delete;

    // The module that holds the dialog template; the executable unless set.
    void setResourceModule(HINSTANCE module) { resources_ = module; }
    // Replaces the system's folder browser (tests answer with a chosen folder).
    void setBrowser(Browser browser) { browser_ = std::move(browser); }
    HyperlinkControl& link() { return link_; }

    // Runs the dialog modally: 1 for OK, 2 for Cancel, Esc or the close box; -1 (or 0 for an invalid
    // owner) when it could not be created, with the reason in the last error.
    INT_PTR run(HWND owner);

    // After OK: the folder the user chose (ending in a backslash) and the library found in it.
    const std::wstring& chosenFolder() const { return chosenFolder_; }
    const std::wstring& jvmLibraryPath() const { return jvmLibraryPath_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void initialise(HWND dialog);
    void browse(HWND dialog);

    std::wstring message_;
    int32_t jvmType_;
    std::wstring chosenFolder_;
    std::wstring jvmLibraryPath_;
    HyperlinkControl link_;
    HINSTANCE resources_ = nullptr;
    Browser browser_;
};

// Centres `window` over its owner, or over the work area of the nearest monitor when it has none or the
// owner is hidden or minimised, and keeps it inside that work area. Size and z-order stay.
void centreOverOwner(HWND window);

}  // namespace qx
