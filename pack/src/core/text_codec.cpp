#include "core/text_codec.h"

namespace qxpack {

std::u16string fromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        uint32_t code = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
        }
        if (length > 1) {
            if (i + length > text.size()) {
                length = 1;
            } else {
                code = lead & (0x7F >> length);
                for (size_t k = 1; k < length; ++k)
                    code = (code << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::string toUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::u16string fromAscii(const std::string& text) {
    std::u16string out;
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
    return out;
}

Bytes toUtf16Le(const std::u16string& text) {
    Bytes out;
    for (char16_t c : text) appendU16(out, c);
    return out;
}

std::u16string fromUtf16Le(const Bytes& bytes) {
    std::u16string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return out;
}

DecodedText decodeTextFile(const Bytes& bytes) {
    DecodedText decoded;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        decoded.encoding = TextEncoding::Utf16Le;
        decoded.hadBom = true;
        decoded.text = fromUtf16Le(Bytes(bytes.begin() + 2, bytes.end()));
        return decoded;
    }
    size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        decoded.hadBom = true;
        start = 3;
    }
    decoded.text = fromUtf8(std::string(bytes.begin() + start, bytes.end()));
    return decoded;
}

Bytes encodeTextFile(const DecodedText& text) {
    Bytes out;
    if (text.encoding == TextEncoding::Utf16Le) {
        if (text.hadBom) out = {0xFF, 0xFE};
        appendBytes(out, toUtf16Le(text.text));
        return out;
    }
    if (text.hadBom) out = {0xEF, 0xBB, 0xBF};
    const std::string utf8 = toUtf8(text.text);
    out.insert(out.end(), utf8.begin(), utf8.end());
    return out;
}

std::u16string withCrLf(const std::u16string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (text[i] == u'\n') {
            out += u"\r\n";
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool isBlank(char16_t c) { return c <= 0x20; }

std::u16string trimmed(const std::u16string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

char16_t folded(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool sameIgnoringCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i])) return false;
    }
    return true;
}

}  // namespace qxpack
