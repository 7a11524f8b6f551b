#include "diag/error_sink.h"

#include <windows.h>

#include "diag/interactive_desktop.h"

namespace qx {
namespace {

struct WindowedOutput {
    bool enabled = false;
    std::function<std::wstring()> productName;
};

// Written once by the entry point, before any other thread exists; only read afterwards.
WindowedOutput gWindowed;

bool hasUsableStdout() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN;
}

// The executable's file name without folder and extension.
std::wstring executableName() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    return name;
}

std::wstring withoutTrailingBlanks(std::wstring text) {
    const size_t end = text.find_last_not_of(L" \r\n");
    text.resize(end == std::wstring::npos ? 0 : end + 1);
    return text;
}

}  // namespace

void useWindowedErrorOutput(std::function<std::wstring()> productName) {
    gWindowed.enabled = true;
    gWindowed.productName = std::move(productName);
}

bool divertErrorLine(const std::wstring& message) {
    if (!gWindowed.enabled || hasUsableStdout()) return false;
    // A box on a station nobody sees would hold the process forever; the exit code still tells.
    if (!hasInteractiveDesktop()) return true;
    std::wstring caption = gWindowed.productName ? gWindowed.productName() : std::wstring();
    if (caption.empty()) caption = executableName();
    MessageBoxW(nullptr, withoutTrailingBlanks(message).c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return true;
}

}  // namespace qx
