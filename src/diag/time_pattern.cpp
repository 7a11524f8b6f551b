#include "diag/time_pattern.h"

#include "diag/time_picture.h"

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
    TimePicture found;
    if (!findTimePicture(name, time.wMilliseconds, found)) return;
    // An empty picture would make the formatters use the locale's default format; keep it empty.
    std::wstring stamp;
    if (!found.picture.empty()) {
        const std::wstring timed = formatWith(timeFormatter, time, found.picture);
        if (!timed.empty()) stamp = formatWith(dateFormatter, time, timed);
    }
    name = replaceTimePicture(name, found, stamp);
}

}  // namespace qx
