#include "vm/zip_layout.h"

#include <cstdint>
#include <utility>

#include "vm/inflate.h"

namespace qx {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kSignatureSize = 4;
// An end record field that says "see the ZIP64 record".
constexpr uint32_t kZip64Marker32 = 0xFFFFFFFF;
constexpr uint16_t kZip64Marker16 = 0xFFFF;
constexpr uint16_t kEncryptedFlag = 0x0001;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;

uint16_t read16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

uint32_t read32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(read16(bytes, at)) | static_cast<uint32_t>(read16(bytes, at + 2)) << 16;
}

uint64_t read64(const std::string& bytes, size_t at) {
    return static_cast<uint64_t>(read32(bytes, at)) | static_cast<uint64_t>(read32(bytes, at + 4)) << 32;
}

enum class Record { Present, Absent, Unknown };

// Whether the `size` bytes at `offset` lie in the file and begin with `signature`; they land in `bytes`.
Record recordAt(ZipFileView& file, uint64_t offset, size_t size, uint32_t signature, std::string& bytes) {
    switch (file.bytesAt(offset, size, bytes)) {
        case ZipFileView::Bytes::Read:
            return read32(bytes, 0) == signature ? Record::Present : Record::Absent;
        case ZipFileView::Bytes::BeyondFile:
            return Record::Absent;
        case ZipFileView::Bytes::Unknown:
            break;
    }
    return Record::Unknown;
}

// The directory's figures as an end record gives them, and where the directory ends.
struct DirectoryFigures {
    uint64_t count = 0;
    uint64_t size = 0;
    uint64_t offset = 0;  // from the archive's start
    uint64_t end = 0;     // file offset of the record that follows the directory
};

enum class Zip64 { Taken, NotTaken, Unsure };

// Java's reader takes the ZIP64 figures only when the ZIP64 record agrees with the end record wherever
// the end record does not defer to it with its marker; a locator or record it cannot read leaves the
// end record's figures.
Zip64 takeZip64Figures(ZipFileView& file, uint64_t recordStart, DirectoryFigures& figures,
                       uint64_t& zip64RecordStart) {
    std::string locator, record;
    if (recordStart < kZip64LocatorSize) return Zip64::NotTaken;
    Record found =
        recordAt(file, recordStart - kZip64LocatorSize, kZip64LocatorSize, kZip64LocatorSignature, locator);
    if (found != Record::Present) return found == Record::Unknown ? Zip64::Unsure : Zip64::NotTaken;
    const uint64_t at = read64(locator, 8);
    // Java reads the offset as a signed number; at a negative one its read fails.
    if (at > static_cast<uint64_t>(INT64_MAX)) return Zip64::NotTaken;
    found = recordAt(file, at, kZip64EndRecordSize, kZip64EndSignature, record);
    if (found != Record::Present) return found == Record::Unknown ? Zip64::Unsure : Zip64::NotTaken;
    const DirectoryFigures zip64{read64(record, 32), read64(record, 40), read64(record, 48), at};
    if ((zip64.size != figures.size && figures.size != kZip64Marker32) ||
        (zip64.offset != figures.offset && figures.offset != kZip64Marker32) ||
        (zip64.count != figures.count && figures.count != kZip64Marker16)) {
        return Zip64::NotTaken;
    }
    figures = zip64;
    zip64RecordStart = at;
    return Zip64::Taken;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(const std::string& directory, size_t at, size_t length, const std::string& name,
              bool ignoreAsciiCase) {
    if (length != name.size()) return false;
    for (size_t i = 0; i < length; ++i) {
        const char stored = directory[at + i];
        if (ignoreAsciiCase ? asciiLower(stored) != asciiLower(name[i]) : stored != name[i]) return false;
    }
    return true;
}

}  // namespace

ZipFileView::ZipFileView(uint64_t fileSize, uint64_t heldStart, std::string held, ZipReadAt readAt,
                         unsigned readLimit)
    : size_(fileSize),
      heldStart_(heldStart),
      held_(std::move(held)),
      readAt_(std::move(readAt)),
      readsLeft_(readLimit) {}

ZipFileView::Bytes ZipFileView::bytesAt(uint64_t offset, size_t count, std::string& bytes) {
    if (count > size_ || offset > size_ - count) return Bytes::BeyondFile;
    if (offset >= heldStart_ && offset - heldStart_ + count <= held_.size()) {
        bytes.assign(held_, static_cast<size_t>(offset - heldStart_), count);
        return Bytes::Read;
    }
    if (readsLeft_ == 0 || !readAt_) return Bytes::Unknown;
    --readsLeft_;
    return readAt_(offset, count, bytes) && bytes.size() == count ? Bytes::Read : Bytes::Unknown;
}

ZipEndCheck checkZipEnd(ZipFileView& file, uint64_t offset) {
    std::string record, signature;
    Record found = recordAt(file, offset, kZipEndRecordSize, kEndSignature, record);
    if (found != Record::Present)
        return found == Record::Unknown ? ZipEndCheck::Unsure : ZipEndCheck::PassedOver;
    if (offset + kZipEndRecordSize + read16(record, 20) == file.size()) return ZipEndCheck::Taken;
    const uint64_t size = read32(record, 12), start = read32(record, 16);
    if (size > offset || start > offset - size) return ZipEndCheck::PassedOver;
    const uint64_t directory = offset - size;
    found = recordAt(file, directory, kSignatureSize, kCentralSignature, signature);
    if (found == Record::Present)
        found = recordAt(file, directory - start, kSignatureSize, kLocalSignature, signature);
    if (found != Record::Present)
        return found == Record::Unknown ? ZipEndCheck::Unsure : ZipEndCheck::PassedOver;
    return ZipEndCheck::Taken;
}

ZipEndSearch findZipEnd(ZipFileView& file, ZipEnd& end) {
    const uint64_t first = ZipFileView::searchStart(file.size());
    if (file.size() < kZipEndRecordSize) return ZipEndSearch::None;
    if (first < file.heldStart()) return ZipEndSearch::Unsure;
    const std::string& held = file.held();
    for (uint64_t at = file.size() - kZipEndRecordSize + 1; at-- > first;) {
        const size_t i = static_cast<size_t>(at - file.heldStart());
        if (held[i] != 'P' || read32(held, i) != kEndSignature) continue;
        switch (checkZipEnd(file, at)) {
            case ZipEndCheck::PassedOver:
                continue;
            case ZipEndCheck::Unsure:
                return ZipEndSearch::Unsure;
            case ZipEndCheck::Taken:
                break;
        }
        end = ZipEnd{};
        end.recordStart = at;
        end.commentLength = read16(held, i + 20);
        end.endsFile = at + kZipEndRecordSize + end.commentLength == file.size();
        DirectoryFigures figures{read16(held, i + 10), read32(held, i + 12), read32(held, i + 16), at};
        switch (takeZip64Figures(file, at, figures, end.zip64RecordStart)) {
            case Zip64::Taken:
                end.zip64 = true;
                break;
            case Zip64::NotTaken:
                break;
            case Zip64::Unsure:
                return ZipEndSearch::Unsure;
        }
        end.entryCount = figures.count;
        end.directorySize = figures.size;
        // Where Java's reader fails to open the file.
        if (figures.size > figures.end || figures.offset > figures.end - figures.size)
            return ZipEndSearch::Broken;
        end.directoryStart = figures.end - figures.size;
        end.archiveStart = end.directoryStart - figures.offset;
        return ZipEndSearch::Found;
    }
    return ZipEndSearch::None;
}

bool startsZipDirectory(const std::string& bytes) {
    return bytes.size() >= kSignatureSize && read32(bytes, 0) == kCentralSignature;
}

bool findZipEntry(const std::string& directory, const std::string& name, bool ignoreAsciiCase,
                  ZipEntry& entry) {
    size_t at = 0;
    while (directory.size() - at >= kCentralHeaderSize && read32(directory, at) == kCentralSignature) {
        const size_t nameLength = read16(directory, at + 28);
        const size_t next =
            at + kCentralHeaderSize + nameLength + read16(directory, at + 30) + read16(directory, at + 32);
        if (next > directory.size()) return false;
        if (sameName(directory, at + kCentralHeaderSize, nameLength, name, ignoreAsciiCase)) {
            entry.flags = read16(directory, at + 8);
            entry.method = read16(directory, at + 10);
            entry.compressedSize = read32(directory, at + 20);
            entry.size = read32(directory, at + 24);
            entry.localHeaderOffset = read32(directory, at + 42);
            return true;
        }
        at = next;
    }
    return false;
}

bool zipDataOffset(const std::string& localHeader, uint64_t& offset) {
    if (localHeader.size() < kZipLocalHeaderSize || read32(localHeader, 0) != kLocalSignature) return false;
    offset = kZipLocalHeaderSize + static_cast<uint64_t>(read16(localHeader, 26)) + read16(localHeader, 28);
    return true;
}

bool unpackZipEntry(const ZipEntry& entry, const std::string& stored, std::string& out) {
    if (entry.flags & kEncryptedFlag) return false;
    if (entry.method == kStored) {
        if (stored.size() != entry.size) return false;
        out = stored;
        return true;
    }
    if (entry.method != kDeflated) return false;
    return inflateRaw(reinterpret_cast<const unsigned char*>(stored.data()), stored.size(), entry.size,
                      out) &&
           out.size() == entry.size;
}

}  // namespace qx
