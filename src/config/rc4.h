// RC4, the stream cipher of the embedded settings; enciphering and deciphering are one operation. The
// launcher and the packaging tool both use this one; a test pins it to the Windows base provider.
// Pure logic: no Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx {

std::vector<uint8_t> rc4(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data);

}  // namespace qx
