// Just enough of the ZIP format to accept a jar: its end-of-central-directory record.
#pragma once

#include <string>

#include "core/byte_io.h"

namespace qxpack {

struct ZipSummary {
    size_t entryCount = 0;
    size_t archiveStart = 0;  // where the archive begins inside the data it was found in
};

// Finds the last end-of-central-directory record whose central directory lies inside `data`.
// False with `error` set when there is none.
bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error);

}  // namespace qxpack
