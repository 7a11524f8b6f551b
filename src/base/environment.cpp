#include "base/environment.h"

#include <windows.h>

namespace qx {

std::wstring expandEnvironment(const std::wstring& text) {
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring buffer(needed, L'\0');
    if (ExpandEnvironmentStringsW(text.c_str(), buffer.data(), needed) == 0) return {};
    return std::wstring(buffer.c_str());
}

std::wstring expandOrKeep(const std::wstring& text) {
    // ExpandEnvironmentStringsW is documented for at most 32K units, and Wine silently cuts longer
    // results; text that may reach that size is kept as it was, like any failed expansion.
    constexpr DWORD kExpandLimit = 32767;
    if (text.size() >= kExpandLimit) return text;
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0 || needed >= kExpandLimit) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return text;
    expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
    return expanded;
}

bool environmentVariable(const std::wstring& name, std::wstring& value) {
    // A value may grow between the two calls, so ask until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        SetLastError(0);
        const DWORD length =
            GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
            value.clear();
            return true;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            value = std::move(buffer);
            return true;
        }
        buffer.assign(length, L'\0');
    }
}

}  // namespace qx
