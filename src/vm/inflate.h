// Decoding raw DEFLATE data, the compression of a jar's entries. Pure logic: no Windows calls.
#pragma once

#include <cstddef>
#include <string>

namespace qx {

// Decodes the raw DEFLATE stream in `data` (no zlib or gzip wrapper) into `out`. False when the
// stream is malformed or truncated, or would decode to more than `limit` bytes; `out` then holds
// whatever was decoded before.
[[nodiscard]] bool inflateRaw(const unsigned char* data, size_t size, size_t limit, std::string& out);

}  // namespace qx
