// MD5 (RFC 1321): the digest the Windows base provider hashes a pass phrase with before it derives the
// RC4 key of the embedded settings. Pure logic: no Windows calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest md5(const uint8_t* data, size_t size);
inline Md5Digest md5(const std::string& text) {
    return md5(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace qx
