#include "runtime/exception_dialog.h"

#include "diag/interactive_desktop.h"
#include "resource.h"
#include "runtime/missing_runtime_dialog.h"

namespace qx {
namespace {

void initialise(HWND dialog, const std::wstring& trace) {
    const HWND edit = GetDlgItem(dialog, IDC_STACK_TRACE);
    // A deep recursion prints more than the default limit of an edit control.
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
    // Frames are indented with a tab; the default stop of 32 dialog units wastes a third of the width.
    const int tabStop = 12;
    SendMessageW(edit, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SetWindowTextW(edit, withCrLf(trace).c_str());
    centreOverOwner(dialog);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(dialog, *reinterpret_cast<const std::wstring*>(lParam));
            return TRUE;
        case WM_CLOSE:
            // The dialog manager would turn the close box into the Stop button's command.
            EndDialog(dialog, IDOK);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                // Stop carries the cancel id, so Esc arrives as its command too; Esc is a way out of the
                // dialog, not a choice to end the application.
                EndDialog(dialog, GetKeyState(VK_ESCAPE) < 0 ? IDOK : IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

ExceptionAnswer askAboutUncaughtException(const std::wstring& trace, HINSTANCE resources) {
    if (!hasInteractiveDesktop()) return ExceptionAnswer::Ignore;
    const HINSTANCE module = resources ? resources : GetModuleHandleW(nullptr);
    const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_JAVA_EXCEPTION), nullptr, dialogProc,
                                           reinterpret_cast<LPARAM>(&trace));
    return result == IDCANCEL ? ExceptionAnswer::Stop : ExceptionAnswer::Ignore;
}

std::wstring withCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    return out;
}

}  // namespace qx
