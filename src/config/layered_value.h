// The rule that joins the layers of one setting. Pure text logic: no Windows calls.
#pragma once

#include <string>

namespace qx {

// The embedded value, replaced by a non-empty file value, else extended by a non-empty value of the
// file's "<section>+" section (joined with one space unless that value starts with one).
std::wstring layeredValue(const std::wstring& embedded, const std::wstring& fileValue,
                          const std::wstring& plusValue);

}  // namespace qx
