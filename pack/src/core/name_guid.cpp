#include "core/name_guid.h"

#include <cstdio>

#include "config/md5.h"

namespace qxpack {

std::string nameBasedGuid(const std::string& name) {
    qx::Md5Digest d = qx::md5(name);
    d[6] = static_cast<uint8_t>((d[6] & 0x0F) | 0x30);
    d[8] = static_cast<uint8_t>((d[8] & 0x3F) | 0x80);
    std::string out = "{";
    for (size_t i = 0; i < d.size(); ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", d[i]);
        out += hex;
        if (i == 3 || i == 5 || i == 7 || i == 9) out += "-";
    }
    return out + "}";
}

}  // namespace qxpack
