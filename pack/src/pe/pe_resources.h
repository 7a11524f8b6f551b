// Resource replacement in a PE file: the rest of the image (code, imports, relocations, debug data)
// keeps its bytes and addresses.
#pragma once

#include <string>

#include "pe/pe_image.h"
#include "pe/resource_table.h"

namespace qxpack {

bool readResources(const PeImage& image, ResourceTable& table, std::string& error);

// A new file: `image` with `table` as its resources, any overlay (appended data) dropped, the
// resource section rebuilt in place, grown when it is last, or else added as a new last section,
// header sizes and the checksum recomputed. An Authenticode signature is dropped: it could not stay
// valid.
bool writeWithResources(const PeImage& image, const ResourceTable& table, Bytes& out, std::string& error);

// `file` (a PE image) with `tail` appended and the checksum recomputed over the whole.
Bytes withOverlay(Bytes file, const Bytes& tail, size_t checksumOffset);

}  // namespace qxpack
