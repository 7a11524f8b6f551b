// Integers as decimal text, the same as std::to_wstring gives. std::to_wstring goes through the C
// runtime's wide printf, which links its whole floating-point formatter into the exe.
#pragma once

#include <string>
#include <type_traits>

namespace qx {

template <typename Integer>
std::wstring decimalText(Integer value) {
    static_assert(std::is_integral_v<Integer>, "integers only");
    using Unsigned = std::make_unsigned_t<Integer>;
    bool negative = false;
    Unsigned magnitude = static_cast<Unsigned>(value);
    if constexpr (std::is_signed_v<Integer>) {
        negative = value < 0;
        // Negated in the unsigned type, so the lowest value of a signed type is right too.
        if (negative) magnitude = static_cast<Unsigned>(0 - magnitude);
    }
    wchar_t digits[24];
    wchar_t* end = digits + 24;
    wchar_t* begin = end;
    do {
        *--begin = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) *--begin = L'-';
    return std::wstring(begin, end);
}

}  // namespace qx
