#include "base/ansi.h"

#include <windows.h>

#include <climits>

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
    return fromCodePage(CP_THREAD_ACP, text.data(), text.size());
}

std::wstring fromCodePage(unsigned codePage, const char* text, size_t size) {
    if (size == 0 || size > INT_MAX) return {};
    const int length = MultiByteToWideChar(codePage, 0, text, static_cast<int>(size), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text, static_cast<int>(size), wide.data(), length);
    return wide;
}

bool toCodePageExactly(unsigned codePage, const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int units = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr,
                                      &usedDefault);
    if (n <= 0 || usedDefault) return false;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), units, out.data(), n, nullptr, nullptr);
    return true;
}

}  // namespace qx
