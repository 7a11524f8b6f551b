#include "diag/report_error.h"

#include <windows.h>

#include "base/ansi.h"
#include "base/last_error.h"
#include "diag/error_sink.h"
#include "diag/message_catalogue.h"

namespace qx {

FormatArg catalogueText(unsigned id) {
    // Built while an error is being reported, before reportError runs: the caller's error must survive.
    const PreserveLastError keep;
    return FormatArg(loadMessage(id));
}

void writeStdout(const std::wstring& text) {
    const PreserveLastError keep;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = toAnsi(text);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void reportError(unsigned id, const std::vector<FormatArg>& args) {
    const PreserveLastError keep;
    const std::wstring text = args.empty() ? loadMessage(id) : formatMessage(loadMessage(id), args);
    if (!divertErrorLine(text)) writeStdout(L"Error: " + text + L" \n");
}

}  // namespace qx
