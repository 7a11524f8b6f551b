#include "config/settings_key.h"

#include <algorithm>

#include "config/md5.h"

namespace qx {
namespace {

constexpr size_t kKeyBytes = 5;
constexpr size_t kSaltedKeyBytes = 16;

}  // namespace

std::vector<uint8_t> settingsKey(const std::string& passPhrase) {
    const Md5Digest digest = md5(passPhrase);
    std::vector<uint8_t> key(kSaltedKeyBytes, 0);
    std::copy(digest.begin(), digest.begin() + kKeyBytes, key.begin());
    return key;
}

}  // namespace qx
