// Conversions between UTF-16 and 8-bit text in the calling thread's ANSI code page (CP_THREAD_ACP),
// the only 8-bit encoding the launcher uses (JVM options, class names, pass phrases).
#pragma once

#include <cstddef>
#include <string>

namespace qx {

std::string toAnsi(const std::wstring& text);
std::wstring fromAnsi(const std::string& text);
// 8-bit text in a code page named for it (CP_UTF8 for a jar's manifest, CP_ACP for a settings file
// without a byte-order mark); empty when it does not convert.
std::wstring fromCodePage(unsigned codePage, const char* text, size_t size);
// `text` in a code page named for it, every character exactly: false when one has no form there
// (no best fit, no default character), or the code page takes no such question (UTF-8).
[[nodiscard]] bool toCodePageExactly(unsigned codePage, const std::wstring& text, std::string& out);

}  // namespace qx
