// The text part of a date-time file name: where the picture sits and what it becomes before the
// system formats it. Pure text logic: no Windows calls.
#pragma once

#include <cstddef>
#include <string>

namespace qx {

// The stretch of a name from its first to its last "%" and the picture between them, every "L" of it
// already replaced by the milliseconds.
struct TimePicture {
    size_t first = 0;  // index of the first "%"
    size_t last = 0;   // index of the last "%" (== first when there is one only)
    std::wstring picture;
};

// False (and `picture` untouched) when `name` has no "%".
[[nodiscard]] bool findTimePicture(const std::wstring& name, unsigned milliseconds, TimePicture& picture);

// `name` with the stretch of `picture` replaced by `stamp`.
std::wstring replaceTimePicture(const std::wstring& name, const TimePicture& picture,
                                const std::wstring& stamp);

}  // namespace qx
