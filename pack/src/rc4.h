// RC4, the stream cipher of the embedded settings; enciphering and deciphering are one operation.
#pragma once

#include "byte_io.h"

namespace qxpack {

Bytes rc4(const Bytes& key, const Bytes& data);

}  // namespace qxpack
