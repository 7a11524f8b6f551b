#include "runtime/colour_text.h"

#include <cwctype>
#include <string_view>

namespace qx {
namespace {

constexpr size_t kMaxValueBytes = 24;

// Blanks, a sign and decimal digits, as the C runtime reads an integer; the rest is ignored and an
// overflow stops at the 32-bit limits.
int32_t readNumber(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) return static_cast<int32_t>(-value);
    return value > 2147483647LL ? 2147483647 : static_cast<int32_t>(value);
}

uint32_t lowByte(int32_t value) { return static_cast<uint32_t>(value) & 0xFFu; }

}  // namespace

bool parseColourText(const std::wstring& text, uint32_t& colour) {
    const size_t first = text.find(L',');
    if (first == std::wstring::npos) return false;
    const size_t second = text.find(L',', first + 1);
    if (second == std::wstring::npos || second + 1 == text.size()) return false;
    const std::wstring_view view(text);
    const int32_t red = readNumber(view.substr(0, first));
    const int32_t green = readNumber(view.substr(first + 1, second - first - 1));
    if (red == -1 || green == -1) return false;
    const int32_t blue = readNumber(view.substr(second + 1));
    colour = lowByte(red) | lowByte(green) << 8 | lowByte(blue) << 16;
    return true;
}

bool colourFromRegistryValue(uint32_t type, const uint8_t* data, size_t size, uint32_t& colour) {
    if (type != kRegString && type != kRegExpandString) return false;
    if (data == nullptr || size < 2 || size > kMaxValueBytes || size % 2 != 0) return false;
    if (data[size - 1] != 0 || data[size - 2] != 0) return false;
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
        if (unit == L'\0') break;
        text.push_back(unit);
    }
    return parseColourText(text, colour);
}

}  // namespace qx
