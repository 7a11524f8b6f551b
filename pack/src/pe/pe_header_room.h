// Room for one more section header in images whose headers end right after the section table.
#pragma once

#include <string>

#include "pe/pe_image.h"

namespace qxpack {

bool hasRoomForSectionHeader(const PeImage& image);

// `image` with its headers grown by whole file-alignment units and every section's raw data moved
// back by as much, file offsets into it (symbols, debug data) following. False with `error` when the
// grown headers would overlap the first section's address.
bool widenHeaders(const PeImage& image, PeImage& widened, std::string& error);

}  // namespace qxpack
