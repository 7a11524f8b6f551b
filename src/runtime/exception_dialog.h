// The "Java Exception" dialog: the windowed launcher's question when main has ended with an uncaught
// exception and "Failure Check" is on. A console launcher describes the exception on standard error.
#pragma once

#include <windows.h>

#include <string>

namespace qx {

enum class ExceptionAnswer { Ignore, Stop };

// Shows the dialog modally, centred, with `trace` in its read-only edit, and returns the user's
// answer. Closing the dialog, Esc, a window station that no user sees and a dialog that cannot be made
// all count as Ignore, which leaves the application running as if nothing had been asked.
ExceptionAnswer askAboutUncaughtException(const std::wstring& trace, HINSTANCE resources = nullptr);

// `text` with every bare line feed made CR LF: an edit control shows a lone line feed as nothing.
std::wstring withCrLf(const std::wstring& text);

}  // namespace qx
