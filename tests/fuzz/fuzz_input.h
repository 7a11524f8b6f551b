// Turning a fuzzer's bytes into the launcher's 16-bit text, and the check every target aborts with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qxfuzz {

// The host's wchar_t is 32 bits wide, Windows' 16: every unit stays below 0x10000. The bytes read as
// UTF-8 so that seeds stay readable; encoded surrogates give lone surrogate units, characters above
// U+FFFF a pair, and a byte that starts no valid sequence stands for the unit of its own value.
inline std::wstring units(const uint8_t* data, size_t size) {
    std::wstring text;
    size_t i = 0;
    while (i < size) {
        const uint8_t b = data[i];
        size_t length = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 1;
        if (b >= 0xF5) length = 1;
        uint32_t code = length == 4 ? b & 0x07u : length == 3 ? b & 0x0Fu : length == 2 ? b & 0x1Fu : b;
        bool valid = length > 1 && i + length <= size;
        for (size_t k = 1; valid && k < length; ++k) {
            if ((data[i + k] & 0xC0) != 0x80) valid = false;
            code = code << 6 | (data[i + k] & 0x3Fu);
        }
        if (length == 1 || !valid || code > 0x10FFFF) {
            text.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
    return text;
}

// The input as several texts, cut at the byte 0x1F (a unit separator no parser gives a meaning to);
// missing fields are empty.
inline std::vector<std::wstring> fields(const uint8_t* data, size_t size, size_t count) {
    std::vector<std::wstring> out;
    size_t begin = 0;
    for (size_t i = 0; i <= size && out.size() + 1 < count; ++i) {
        if (i == size || data[i] == 0x1F) {
            out.push_back(units(data + begin, i - begin));
            begin = i + 1;
            if (i == size) break;
        }
    }
    if (out.size() < count) out.push_back(begin <= size ? units(data + begin, size - begin) : std::wstring());
    while (out.size() < count) out.emplace_back();
    return out;
}

// A small number derived from the input, for targets that also need one.
inline uint64_t mix(const uint8_t* data, size_t size) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "invariant broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

}  // namespace qxfuzz

// Checked in every build type: the fuzz build is a release build and assert() would vanish.
#define QX_FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::qxfuzz::fail(#condition, __FILE__, __LINE__))
