#include "runtime/missing_runtime_dialog.h"

#include <shlobj.h>

#include <algorithm>

#include "diag/message_catalogue.h"
#include "resource.h"
#include "runtime/jvm_probe.h"

namespace qx {
namespace {

// The shell's new-style browser needs a single-threaded apartment on the calling thread.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

RECT workAreaNear(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return monitor.rcWork;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

}  // namespace

bool browseForFolder(HWND owner, const std::wstring& title, std::wstring& folder) {
    ComApartment apartment;
    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    UniqueCoTaskMem selection(SHBrowseForFolderW(&info));
    if (!selection) return false;
    wchar_t path[MAX_PATH] = L"";
    if (!SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(selection.get()), path)) path[0] = L'\0';
    folder = path;
    return true;
}

void centreOverOwner(HWND window) {
    RECT own{};
    GetWindowRect(window, &own);
    const HWND owner = GetWindow(window, GW_OWNER);
    const bool useOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    const RECT area = workAreaNear(useOwner ? owner : window);
    RECT centre = area;
    if (useOwner) GetWindowRect(owner, &centre);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG x = centre.left + ((centre.right - centre.left) - width) / 2;
    LONG y = centre.top + ((centre.bottom - centre.top) - height) / 2;
    x = std::max(area.left, std::min(x, area.right - width));
    y = std::max(area.top, std::min(y, area.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

MissingRuntimeDialog::MissingRuntimeDialog(std::wstring message, int32_t jvmType)
    : message_(std::move(message)), jvmType_(jvmType), browser_(browseForFolder) {}

INT_PTR MissingRuntimeDialog::run(HWND owner) {
    const HINSTANCE module = resources_ ? resources_ : GetModuleHandleW(nullptr);
    return DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_JRE_NOT_FOUND), owner,
                           &MissingRuntimeDialog::dialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MissingRuntimeDialog::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<MissingRuntimeDialog*>(lParam)->initialise(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<MissingRuntimeDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            // Enter or a stray command must not hand on a folder without a library.
            if (!self->jvmLibraryPath_.empty()) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_BROWSE:
            self->browse(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

void MissingRuntimeDialog::initialise(HWND dialog) {
    const HWND linkWindow = GetDlgItem(dialog, IDC_LINK);
    if (!link_.normalFont()) {
        link_.setNormalFont(reinterpret_cast<HFONT>(SendMessageW(linkWindow, WM_GETFONT, 0, 0)));
    }
    link_.attach(linkWindow);
    SetDlgItemTextW(dialog, IDC_MESSAGE, message_.c_str());
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    centreOverOwner(dialog);
}

void MissingRuntimeDialog::browse(HWND dialog) {
    std::wstring path;
    if (!browser_ || !browser_(dialog, loadMessage(kMsgBrowseTitle), path)) return;
    SetDlgItemTextW(dialog, IDC_JRE_PATH, path.c_str());
    chosenFolder_ = path;
    if (!chosenFolder_.empty() && chosenFolder_.back() != L'\\') chosenFolder_ += L'\\';
    // An empty folder would probe relative to the current directory.
    jvmLibraryPath_ = chosenFolder_.empty() ? std::wstring() : probeJvmLibrary(chosenFolder_, jvmType_);
    // A browse that finds nothing takes back an earlier OK, so OK never hands on an empty library path.
    const HWND ok = GetDlgItem(dialog, IDOK);
    EnableWindow(ok, jvmLibraryPath_.empty() ? FALSE : TRUE);
    if (jvmLibraryPath_.empty() && GetFocus() == ok) SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
}

}  // namespace qx
