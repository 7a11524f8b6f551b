// The optional header's CheckSum: the 16-bit one's-complement style sum the loader verifies for
// drivers and that signing tools and some scanners expect to be right for every image.
#pragma once

#include "core/byte_io.h"

namespace qxpack {

// The checksum of `file` as if the 4 bytes at `checksumOffset` were zero.
uint32_t peChecksum(const Bytes& file, size_t checksumOffset);

}  // namespace qxpack
