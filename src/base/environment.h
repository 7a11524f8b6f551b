// Environment variables of the process.
#pragma once

#include <string>

namespace qx {

// `text` with every %NAME% reference replaced by the variable's value; references to unset variables
// stay as written. Empty when the system cannot expand the text at all.
std::wstring expandEnvironment(const std::wstring& text);

// `text` with environment references expanded; on any failure, and for text that may expand past the
// 32K units the system handles, the text as it was.
std::wstring expandOrKeep(const std::wstring& text);

// The variable's value; false (value untouched) when it is not set.
[[nodiscard]] bool environmentVariable(const std::wstring& name, std::wstring& value);

}  // namespace qx
