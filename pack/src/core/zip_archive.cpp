#include "core/zip_archive.h"

#include <algorithm>
#include <cstddef>

#include "vm/zip_layout.h"

namespace qxpack {

namespace {

constexpr uint32_t kEntryLimit = 16u << 20;

// `count` bytes of `data` from `at`, fewer where it ends.
std::string bytesAt(const Bytes& data, uint64_t at, size_t count) {
    if (at >= data.size()) return {};
    const size_t end = static_cast<size_t>(std::min<uint64_t>(data.size(), at + count));
    return std::string(data.begin() + static_cast<std::ptrdiff_t>(at),
                       data.begin() + static_cast<std::ptrdiff_t>(end));
}

bool findEntry(const Bytes& data, const ZipSummary& summary, const std::string& name, bool ignoreAsciiCase,
               qx::ZipEntry& entry) {
    return qx::findZipEntry(bytesAt(data, summary.directoryStart, summary.directorySize), name,
                            ignoreAsciiCase, entry);
}

}  // namespace

bool zipHasEntry(const Bytes& data, const ZipSummary& summary, const std::string& name) {
    qx::ZipEntry entry;
    return findEntry(data, summary, name, false, entry);
}

std::optional<std::string> zipEntryContent(const Bytes& data, const ZipSummary& summary,
                                           const std::string& name, bool ignoreAsciiCase) {
    qx::ZipEntry entry;
    if (!findEntry(data, summary, name, ignoreAsciiCase, entry) || entry.size > kEntryLimit)
        return std::nullopt;
    const uint64_t header = static_cast<uint64_t>(summary.archiveStart) + entry.localHeaderOffset;
    uint64_t offset = 0;
    if (!qx::zipDataOffset(bytesAt(data, header, qx::kZipLocalHeaderSize), offset)) return std::nullopt;
    const std::string stored = bytesAt(data, header + offset, entry.compressedSize);
    std::string content;
    if (stored.size() != entry.compressedSize || !qx::unpackZipEntry(entry, stored, content))
        return std::nullopt;
    return content;
}

bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error) {
    const size_t tailStart = data.size() > qx::kZipTailSize ? data.size() - qx::kZipTailSize : 0;
    const std::string tail = bytesAt(data, tailStart, qx::kZipTailSize);
    uint64_t unused = 0;
    for (const qx::ZipDirectoryPlace& place : qx::zipDirectoryCandidates(tail, tailStart)) {
        // An archive with entries proves itself by its headers; an empty one has none, so only a record
        // whose comment ends the data counts for it (a signature may follow a jar, not an empty one).
        const bool proven =
            place.entryCount > 0
                ? place.archiveStart + qx::kZipLocalHeaderSize <= place.directoryStart &&
                      qx::looksLikeZipDirectory(bytesAt(data, place.directoryStart, place.directorySize)) &&
                      qx::zipDataOffset(bytesAt(data, place.archiveStart, qx::kZipLocalHeaderSize), unused)
                : place.endsFile;
        if (!proven) continue;
        summary.entryCount = place.entryCount;
        summary.archiveStart = static_cast<size_t>(place.archiveStart);
        summary.directoryStart = static_cast<size_t>(place.directoryStart);
        summary.directorySize = place.directorySize;
        return true;
    }
    error = "not a ZIP archive: no end-of-central-directory record";
    return false;
}

}  // namespace qxpack
