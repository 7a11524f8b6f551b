#include "diag/time_picture.h"

#include <utility>

#include "base/decimal_text.h"

namespace qx {

bool findTimePicture(const std::wstring& name, unsigned milliseconds, TimePicture& picture) {
    const size_t first = name.find(L'%');
    if (first == std::wstring::npos) return false;
    const size_t last = name.rfind(L'%');
    std::wstring text = last > first ? name.substr(first + 1, last - first - 1) : std::wstring();
    if (text.find(L'L') != std::wstring::npos) {
        const std::wstring millis = decimalText(milliseconds);
        std::wstring replaced;
        for (wchar_t c : text) {
            if (c == L'L')
                replaced += millis;
            else
                replaced.push_back(c);
        }
        text = replaced;
    }
    picture.first = first;
    picture.last = last;
    picture.picture = std::move(text);
    return true;
}

std::wstring replaceTimePicture(const std::wstring& name, const TimePicture& picture,
                                const std::wstring& stamp) {
    return name.substr(0, picture.first) + stamp + name.substr(picture.last + 1);
}

}  // namespace qx
