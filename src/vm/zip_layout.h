// The parts of the ZIP layout a jar's entry is found by: the end record, the central directory and an
// entry's local header. Pure logic: no Windows calls. Offsets are 32 bits, as in every jar under 4 GB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

// How many bytes at the end of a file can hold the end record: the record and the longest comment.
constexpr size_t kZipTailSize = 22 + 0xFFFF;
constexpr size_t kZipLocalHeaderSize = 30;

// Reads `size` bytes at file offset `offset` into `bytes`; false when they cannot all be read.
using ZipReadAt = std::function<bool(uint64_t offset, size_t size, std::string& bytes)>;

// Where an end record places the central directory, in offsets of the whole file. The archive's own
// offsets count from `archiveStart`, which lies past the executable when the jar is appended to one.
struct ZipDirectoryPlace {
    uint64_t directoryStart = 0;
    uint32_t directorySize = 0;
    uint64_t archiveStart = 0;
    uint16_t entryCount = 0;  // as the end record says
    bool endsFile = false;    // the record and its comment are the file's last bytes
};

// The places named by the end records in `tail`, the last bytes of a file that begin at file offset
// `tailStart`: first a record whose comment ends the file, then records followed by other data (a
// signature added to an executable after its jar), the last one first. The caller tries them in turn.
std::vector<ZipDirectoryPlace> zipDirectoryCandidates(const std::string& tail, uint64_t tailStart);

// One central directory entry, as far as reading its data goes.
struct ZipEntry {
    uint16_t flags = 0;
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localHeaderOffset = 0;  // from the archive's start
};

// True when `directory` begins with a central directory entry, as a real central directory does.
bool looksLikeZipDirectory(const std::string& directory);

// The entry called `name` (its bytes as stored), comparing ASCII letters without case when asked.
// False when no entry has the name or the directory is damaged before it.
[[nodiscard]] bool findZipEntry(const std::string& directory, const std::string& name, bool ignoreAsciiCase,
                                ZipEntry& entry);

// From the first kZipLocalHeaderSize bytes of an entry's local header: how far its data lies past the
// header's start. False without the local header signature.
[[nodiscard]] bool zipDataOffset(const std::string& localHeader, uint64_t& offset);

// The entry's data as stored in the archive (`stored`, compressedSize bytes) decoded into `out`. False
// for an encrypted entry, a method other than stored or deflated, or data that does not decode to
// exactly the entry's size.
[[nodiscard]] bool unpackZipEntry(const ZipEntry& entry, const std::string& stored, std::string& out);

}  // namespace qx
