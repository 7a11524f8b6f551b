// GUIDs made from names (RFC 4122 version 3, MD5), so that the same name gives the same GUID in every
// build on every machine.
#pragma once

#include <string>

namespace qxpack {

// "{XXXXXXXX-XXXX-3XXX-YXXX-XXXXXXXXXXXX}" in upper case, from the MD5 digest of `name`'s bytes.
std::string nameBasedGuid(const std::string& name);

}  // namespace qxpack
