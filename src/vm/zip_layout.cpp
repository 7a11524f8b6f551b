#include "vm/zip_layout.h"

#include "vm/inflate.h"

namespace qx {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralHeaderSize = 46;
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

std::vector<ZipDirectoryPlace> zipDirectoryCandidates(const std::string& tail, uint64_t tailStart) {
    std::vector<ZipDirectoryPlace> places;
    if (tail.size() < kEndRecordSize) return places;
    for (const bool endsFile : {true, false}) {
        for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
            if (read32(tail, at) != kEndSignature) continue;
            if ((at + kEndRecordSize + read16(tail, at + 20) == tail.size()) != endsFile) continue;
            const uint32_t size = read32(tail, at + 12);
            const uint32_t offset = read32(tail, at + 16);
            const uint64_t end = tailStart + at;
            if (size > end || offset > end - size) continue;
            ZipDirectoryPlace place;
            place.directoryStart = end - size;
            place.directorySize = size;
            place.archiveStart = place.directoryStart - offset;
            place.entryCount = read16(tail, at + 10);
            place.endsFile = endsFile;
            places.push_back(place);
        }
    }
    return places;
}

bool looksLikeZipDirectory(const std::string& directory) {
    return directory.size() >= kCentralHeaderSize && read32(directory, 0) == kCentralSignature;
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
