// The error line: "Error: <formatted catalogue text> \n" on standard output, written at once.
#pragma once

#include <string>
#include <vector>

#include "diag/format_message.h"

namespace qx {

// Marks an argument that is itself a catalogue message, loaded before formatting.
FormatArg catalogueText(unsigned id);

// Leaves the last error as it found it, so a caller can still report why it failed.
void reportError(unsigned id, const std::vector<FormatArg>& args = {});

// Writes wide text to standard output: to a console as UTF-16, elsewhere (pipe, file) in the
// thread's ANSI code page. Unbuffered, so nothing is lost when the process ends right after. Keeps
// the last error.
void writeStdout(const std::wstring& text);

}  // namespace qx
