// VS_VERSIONINFO: the fixed file information and one string table, built and read back.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/byte_io.h"

namespace qxpack {

using VersionNumbers = std::array<uint16_t, 4>;

struct VersionInfo {
    VersionNumbers fileVersion{};
    VersionNumbers productVersion{};
    uint16_t language = 0x0409;
    uint16_t codePage = 1200;
    std::vector<std::pair<std::u16string, std::u16string>> strings;  // in resource order

    std::u16string value(const std::u16string& name) const;
};

// "1.2.3.4" or a shorter prefix ("2.1"); missing parts are 0. False on anything else.
bool parseVersionNumbers(const std::string& text, VersionNumbers& numbers);
std::string versionText(const VersionNumbers& numbers);

Bytes buildVersionResource(const VersionInfo& info);

// Reads the fixed versions and the first string table; false with `error` on a damaged resource.
bool parseVersionResource(const Bytes& data, VersionInfo& info, std::string& error);

}  // namespace qxpack
