// Path arithmetic on text alone. Pure text logic: no Windows calls.
#pragma once

#include <string>

namespace qx {

// `count` times, drops everything from the last backslash on; a step without a backslash leaves the
// text unchanged.
std::wstring cutPathComponents(const std::wstring& path, int count);

}  // namespace qx
