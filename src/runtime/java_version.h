// Four-part Java version numbers. Pure text logic: no Windows calls.
#pragma once

#include <cstdint>

namespace qx {

struct JavaVersion {
    int32_t parts[4] = {0, 0, 0, 0};  // major, minor, micro, update
};

}  // namespace qx
