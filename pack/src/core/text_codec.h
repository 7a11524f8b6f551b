// Text conversions between files (UTF-8 or UTF-16 with a byte-order mark), UTF-16 resources and the
// terminal (UTF-8).
#pragma once

#include <string>

#include "core/byte_io.h"

namespace qxpack {

enum class TextEncoding { Utf8, Utf16Le };

struct DecodedText {
    std::u16string text;  // without the byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;
    bool hadBom = false;
};

DecodedText decodeTextFile(const Bytes& bytes);
Bytes encodeTextFile(const DecodedText& text);

std::u16string fromUtf8(const std::string& text);
std::string toUtf8(const std::u16string& text);
std::u16string fromAscii(const std::string& text);

Bytes toUtf16Le(const std::u16string& text);
// An odd last byte is dropped, as the launcher drops it.
std::u16string fromUtf16Le(const Bytes& bytes);

// Every line end (CR LF, lone LF, lone CR) becomes CR LF.
std::u16string withCrLf(const std::u16string& text);

// The blank test and trimming of settings text: every unit up to U+0020.
bool isBlank(char16_t c);
std::u16string trimmed(const std::u16string& text);
// ASCII letters in upper case, as settings names are matched ignoring case.
char16_t folded(char16_t c);
bool sameIgnoringCase(const std::u16string& a, const std::u16string& b);

}  // namespace qxpack
