// Just enough of the ZIP format to accept a jar: its end-of-central-directory record.
#pragma once

#include <optional>
#include <string>

#include "core/byte_io.h"

namespace qxpack {

struct ZipSummary {
    size_t entryCount = 0;
    size_t archiveStart = 0;  // where the archive begins inside the data it was found in
    size_t directoryStart = 0;
    size_t directorySize = 0;
};

// Finds the last end-of-central-directory record whose central directory lies inside `data`.
// False with `error` set when there is none.
bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error);

// Whether the archive `summary` found in `data` has an entry called `name`.
bool zipHasEntry(const Bytes& data, const ZipSummary& summary, const std::string& name);

// The content of entry `name` (ASCII letters compared without case when asked), up to 16 MiB; absent
// when there is no such entry or it cannot be unpacked.
std::optional<std::string> zipEntryContent(const Bytes& data, const ZipSummary& summary,
                                           const std::string& name, bool ignoreAsciiCase);

}  // namespace qxpack
