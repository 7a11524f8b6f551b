// Just enough of the ZIP format to accept a jar, read its entries and append it: the end record Java's
// reader takes.
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
    // Where the ZIP64 locator's record offset lies, when Java's reader takes a ZIP64 end record.
    std::optional<size_t> zip64LocatorOffset;
};

// Finds the end record that Java's reader takes in `data`, when the central directory and the first
// local header it names are there. False with `error` set when there is none.
bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error);

// `jar` as it must be to sit at offset `at` of a file. Java's reader takes the archive's own offsets
// from the archive's start, except the ZIP64 locator's, which it takes from the file's start.
Bytes zipPlacedAt(const Bytes& jar, const ZipSummary& summary, size_t at);

// Whether the archive `summary` found in `data` has an entry called `name`.
bool zipHasEntry(const Bytes& data, const ZipSummary& summary, const std::string& name);

// The content of entry `name` (ASCII letters compared without case when asked), up to 16 MiB; absent
// when there is no such entry or it cannot be unpacked.
std::optional<std::string> zipEntryContent(const Bytes& data, const ZipSummary& summary,
                                           const std::string& name, bool ignoreAsciiCase);

}  // namespace qxpack
