// The RC4 key of the embedded settings: what the Windows base provider ("Microsoft Base Cryptographic
// Provider v1.0") derives with CryptDeriveKey(CALG_RC4, flags 0) from the MD5 of a pass phrase, its
// default 40 bits of the digest followed by 11 zero bytes of salt. Computed here, so neither the
// launcher nor the packaging tool needs the provider. Pure logic: no Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

std::vector<uint8_t> settingsKey(const std::string& passPhrase);

}  // namespace qx
