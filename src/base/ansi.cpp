#include "base/ansi.h"

#include <windows.h>

namespace qx {

std::string toAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int units = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), units, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring fromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int bytes = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), bytes, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), bytes, out.data(), n);
    return out;
}

}  // namespace qx
