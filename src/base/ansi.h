// Conversions between UTF-16 and 8-bit text in the calling thread's ANSI code page (CP_THREAD_ACP),
// the only 8-bit encoding the launcher uses (JVM options, class names, pass phrases).
#pragma once

#include <string>

namespace qx {

std::string toAnsi(const std::wstring& text);
std::wstring fromAnsi(const std::string& text);

}  // namespace qx
