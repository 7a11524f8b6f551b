// Link colours from the browser settings: "R,G,B" text in a registry string. Pure text logic: no
// Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

// Registry value types that may carry a colour (REG_SZ, REG_EXPAND_SZ).
constexpr uint32_t kRegString = 1;
constexpr uint32_t kRegExpandString = 2;

// "R,G,B": the first two parts end at the first and the next ",", the third is the rest and must not
// be empty; a first or second part that reads as -1 is invalid; text that is no number reads as 0;
// each part counts modulo 256. Gives R + 256 G + 65536 B; `colour` is untouched when invalid.
[[nodiscard]] bool parseColourText(const std::wstring& text, uint32_t& colour);

// The raw registry value: a string type, at most 24 bytes with its terminating NUL, an even size and a
// NUL at the end, whose text is a valid colour; `colour` is untouched otherwise.
[[nodiscard]] bool colourFromRegistryValue(uint32_t type, const uint8_t* data, size_t size, uint32_t& colour);

}  // namespace qx
