// printf-style formatting of catalogue texts: %s takes a wide string, %d a 32-bit integer, %% is a
// percent sign. Pure text logic: no Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

struct FormatArg {
    FormatArg(std::wstring text) : isNumber(false), text(std::move(text)) {}  // NOLINT: implicit on purpose
    FormatArg(const wchar_t* text) : isNumber(false), text(text ? text : L"") {}               // NOLINT
    FormatArg(int32_t number) : isNumber(true), number(number) {}                              // NOLINT
    FormatArg(unsigned long number) : isNumber(true), number(static_cast<int32_t>(number)) {}  // NOLINT
    bool isNumber;
    std::wstring text;
    int32_t number = 0;
};

// Placeholders beyond the given arguments format as empty text or 0; a placeholder of the wrong kind
// takes the argument in the kind it asks for.
std::wstring formatMessage(const std::wstring& format, const std::vector<FormatArg>& args);

}  // namespace qx
