#include "diag/time_pattern.h"

#include "base/decimal_text.h"

namespace qx {
namespace {

constexpr int kFormatBuffer = 260;

std::wstring formatWith(int (*formatter)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int),
                        const SYSTEMTIME& time, const std::wstring& picture) {
    wchar_t buffer[kFormatBuffer] = {};
    // The result is not checked: a picture the system rejects leaves an empty (or partial) text.
    formatter(LOCALE_USER_DEFAULT, 0, &time, picture.c_str(), buffer, kFormatBuffer);
    buffer[kFormatBuffer - 1] = L'\0';
    return buffer;
}

int timeFormatter(LCID l, DWORD f, const SYSTEMTIME* t, LPCWSTR p, LPWSTR b, int n) {
    return GetTimeFormatW(l, f, t, p, b, n);
}
int dateFormatter(LCID l, DWORD f, const SYSTEMTIME* t, LPCWSTR p, LPWSTR b, int n) {
    return GetDateFormatW(l, f, t, p, b, n);
}

}  // namespace

void expandTimePattern(std::wstring& name, const SYSTEMTIME& time) {
    const size_t first = name.find(L'%');
    if (first == std::wstring::npos) return;
    const size_t last = name.rfind(L'%');
    std::wstring picture = last > first ? name.substr(first + 1, last - first - 1) : std::wstring();
    if (!picture.empty() && picture.find(L'L') != std::wstring::npos) {
        const std::wstring millis = decimalText(time.wMilliseconds);
        std::wstring replaced;
        for (wchar_t c : picture) {
            if (c == L'L')
                replaced += millis;
            else
                replaced.push_back(c);
        }
        picture = replaced;
    }
    // An empty picture would make the formatters use the locale's default format; keep it empty.
    std::wstring stamp;
    if (!picture.empty()) {
        const std::wstring timed = formatWith(timeFormatter, time, picture);
        if (!timed.empty()) stamp = formatWith(dateFormatter, time, timed);
    }
    name = name.substr(0, first) + stamp + name.substr(last + 1);
}

}  // namespace qx
