#include "pe/pe_checksum.h"

namespace qxpack {

uint32_t peChecksum(const Bytes& file, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        uint32_t word = file[i];
        if (i + 1 < file.size()) word |= static_cast<uint32_t>(file[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

}  // namespace qxpack
