#include "core/zip_archive.h"

namespace qxpack {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxComment = 0xFFFF;

}  // namespace

bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error) {
    const ByteReader in(data);
    // First a record whose comment ends the data, as a jar's does; then one followed by other data
    // (a signature added to the executable later), which must then prove itself by its headers.
    for (const bool exactEnd : {true, false}) {
        if (data.size() < kEndRecordSize) break;
        const size_t lowest =
            data.size() > kEndRecordSize + kMaxComment ? data.size() - kEndRecordSize - kMaxComment : 0;
        for (size_t at = data.size() - kEndRecordSize + 1; at-- > lowest;) {
            if (in.u32(at) != kEndSignature) continue;
            const bool endsData = at + kEndRecordSize + in.u16(at + 20) == data.size();
            if (exactEnd != endsData) continue;
            const uint16_t entries = in.u16(at + 10);
            const uint32_t directorySize = in.u32(at + 12);
            const uint32_t directoryOffset = in.u32(at + 16);
            // Offsets count from the archive's own start, which may follow a prefix (an executable).
            if (directorySize > at || directoryOffset > at - directorySize) continue;
            const size_t directoryStart = at - directorySize;
            const size_t archiveStart = directoryStart - directoryOffset;
            const bool headersFit =
                entries > 0 && directoryStart + 4 <= at && archiveStart + 4 <= directoryStart;
            if (headersFit
                    ? in.u32(directoryStart) != kCentralSignature || in.u32(archiveStart) != kLocalSignature
                    : entries > 0 || !endsData) {
                continue;
            }
            summary.entryCount = entries;
            summary.archiveStart = archiveStart;
            return true;
        }
    }
    error = "not a ZIP archive: no end-of-central-directory record";
    return false;
}

}  // namespace qxpack
