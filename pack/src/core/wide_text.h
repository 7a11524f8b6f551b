// qxpack keeps text as UTF-16 (char16_t) on every build machine; the launcher's pure code takes
// std::wstring, whose unit is 32 bits on Linux. Code units are carried over one by one, so the shared
// code sees exactly the units it sees in the launcher, surrogate halves included.
#pragma once

#include <string>

namespace qxpack {

std::wstring toWide(const std::u16string& text);
std::u16string fromWide(const std::wstring& text);

}  // namespace qxpack
