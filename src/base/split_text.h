// The launcher's two text splitters. Pure text logic: no Windows calls.
#pragma once

#include <string>
#include <vector>

namespace qx {

// Clears `pieces`, then appends the pieces of `text` between occurrences of `delimiter` (exact,
// non-empty). Adjacent delimiters give an empty piece; a delimiter at the very end adds none; an empty
// text gives no pieces. "a;;b" -> "a", "", "b"; "a;" -> "a"; ";a" -> "", "a".
void splitText(const std::wstring& text, const std::wstring& delimiter, std::vector<std::wstring>& pieces);

// Appends (never clears) the arguments of a command string to `arguments`. Only U+0020 separates and
// runs of it count once; a double quote that opens an argument runs to the next double quote and both
// quotes are dropped (no closing quote: to the end of the text); quotes anywhere else are ordinary, and
// there is no escape character. Text right after a closing quote starts the next argument. A leading
// space gives one empty first argument.
void splitArguments(const std::wstring& text, std::vector<std::wstring>& arguments);

}  // namespace qx
