#pragma once

#include <windows.h>

#include <string>

namespace qx {

// Replaces the text from the first to the last "%" of `name` by `time` formatted with the picture
// between them ("L" standing for the milliseconds), through the user's time and date formats. A
// name without "%" is left as it is.
void expandTimePattern(std::wstring& name, const SYSTEMTIME& time);

}  // namespace qx
