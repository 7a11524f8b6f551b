#include "core/zip_archive.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "vm/zip_layout.h"

namespace qxpack {
namespace {

constexpr uint32_t kEntryLimit = 16u << 20;
constexpr size_t kLocatorRecordOffset = 8;  // inside the 20-byte ZIP64 locator

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

void putU64(Bytes& out, size_t offset, uint64_t value) {
    for (int i = 0; i < 8; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t u64(const Bytes& bytes, size_t offset) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | bytes[offset + i];
    return value;
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
    const uint64_t held = qx::ZipFileView::searchStart(data.size());
    const auto readAt = [&data](uint64_t offset, size_t count, std::string& bytes) {
        bytes = bytesAt(data, offset, count);
        return bytes.size() == count;
    };
    // Everything is in memory: no read limit, so a jar is judged exactly by Java's rule.
    qx::ZipFileView view(data.size(), held, bytesAt(data, held, data.size()), readAt,
                         std::numeric_limits<unsigned>::max());
    qx::ZipEnd end;
    std::string directory, local;
    uint64_t unused = 0;
    // An archive with entries must show them where it says; an empty one has none to show.
    if (qx::findZipEnd(view, end) != qx::ZipEndSearch::Found ||
        (end.entryCount > 0 &&
         (view.bytesAt(end.directoryStart, 4, directory) != qx::ZipFileView::Bytes::Read ||
          !qx::startsZipDirectory(directory) ||
          view.bytesAt(end.archiveStart, qx::kZipLocalHeaderSize, local) != qx::ZipFileView::Bytes::Read ||
          !qx::zipDataOffset(local, unused)))) {
        error = "not a ZIP archive: no end-of-central-directory record";
        return false;
    }
    summary = ZipSummary{};
    summary.entryCount = static_cast<size_t>(end.entryCount);
    summary.archiveStart = static_cast<size_t>(end.archiveStart);
    summary.directoryStart = static_cast<size_t>(end.directoryStart);
    summary.directorySize = static_cast<size_t>(end.directorySize);
    if (end.zip64)
        summary.zip64LocatorOffset =
            static_cast<size_t>(end.recordStart) - qx::kZip64LocatorSize + kLocatorRecordOffset;
    return true;
}

Bytes zipPlacedAt(const Bytes& jar, const ZipSummary& summary, size_t at) {
    Bytes placed = jar;
    if (summary.zip64LocatorOffset) {
        const size_t field = *summary.zip64LocatorOffset;
        putU64(placed, field, u64(jar, field) + at);
    }
    return placed;
}

}  // namespace qxpack
