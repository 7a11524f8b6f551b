#include "zip_archive.h"

namespace qxpack {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxComment = 0xFFFF;

}  // namespace

bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error) {
    const ByteReader in(data);
    if (data.size() >= kEndRecordSize) {
        const size_t lowest =
            data.size() > kEndRecordSize + kMaxComment ? data.size() - kEndRecordSize - kMaxComment : 0;
        for (size_t at = data.size() - kEndRecordSize + 1; at-- > lowest;) {
            if (in.u32(at) != kEndSignature) continue;
            const uint16_t entries = in.u16(at + 10);
            const uint32_t directorySize = in.u32(at + 12);
            const uint32_t directoryOffset = in.u32(at + 16);
            // Offsets count from the archive's own start, which may follow a prefix (an executable).
            if (directorySize > at) continue;
            const size_t directoryStart = at - directorySize;
            if (directoryOffset > directoryStart) continue;
            if (entries > 0 &&
                (directoryStart + 4 > data.size() || in.u32(directoryStart) != kCentralSignature))
                continue;
            summary.entryCount = entries;
            summary.archiveStart = directoryStart - directoryOffset;
            return true;
        }
    }
    error = "not a ZIP archive: no end-of-central-directory record";
    return false;
}

}  // namespace qxpack
