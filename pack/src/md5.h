// MD5 (RFC 1321): the digest the Windows base provider hashes a pass phrase with before it derives the
// RC4 key of the embedded settings.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "byte_io.h"

namespace qxpack {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest md5(const uint8_t* data, size_t size);
inline Md5Digest md5(const std::string& text) {
    return md5(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace qxpack
