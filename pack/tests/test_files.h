// Icon, jar and settings files made in memory for the packaging tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/byte_io.h"

namespace qxpack::test {

// A 32-bit DIB of the given size whose pixels depend on the size, so images differ.
Bytes iconImage(uint8_t width, uint8_t bitCount);

// An .ico with one image per (width, bitCount); width 0 stands for 256.
Bytes icoFile(const std::vector<std::pair<uint8_t, uint8_t>>& images);

// A stored (uncompressed) ZIP with the given file names and contents.
Bytes zipFile(const std::vector<std::pair<std::string, std::string>>& entries);

Bytes textBytes(const std::string& text);

}  // namespace qxpack::test
