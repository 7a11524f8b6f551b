#include "config/rc4.h"

#include <utility>

namespace qx {

std::vector<uint8_t> rc4(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    if (!key.empty()) {
        uint8_t j = 0;
        for (int i = 0; i < 256; ++i) {
            j = static_cast<uint8_t>(j + s[i] + key[i % key.size()]);
            std::swap(s[i], s[j]);
        }
    }
    std::vector<uint8_t> out(data.size());
    uint8_t i = 0;
    uint8_t j = 0;
    for (size_t n = 0; n < data.size(); ++n) {
        i = static_cast<uint8_t>(i + 1);
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        out[n] = data[n] ^ s[static_cast<uint8_t>(s[i] + s[j])];
    }
    return out;
}

}  // namespace qx
