// The parts of the ZIP layout a jar's entry is found by: the end record (with its ZIP64 locator and
// record), the central directory and an entry's local header. Pure logic: no Windows calls. Entry
// offsets and sizes are 32 bits, as in every jar under 4 GB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qx {

constexpr size_t kZipEndRecordSize = 22;
constexpr size_t kZip64EndRecordSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZipLocalHeaderSize = 30;

// How far back from a file's end Java's zip reader looks for an end record: it scans blocks of 128
// bytes from the end backwards, each overlapping the one after it by the record's 22 bytes, down to
// the block that reaches 65,557 bytes (a record and the longest comment) before the end. That block
// starts 65,636 bytes before the end, whatever the file's size, and a record starting there is found.
constexpr uint64_t kZipEndSearchSize = 65636;

// How many reads outside the bytes held in memory one search may make. Java's reader makes up to two
// per end record it finds in the tail, so a tail of fake records could cost thousands; a real jar
// needs none or one, a signed executable's a few more.
constexpr unsigned kZipSearchReads = 64;

// Reads `size` bytes at file offset `offset` into `bytes`; false when they cannot all be read.
using ZipReadAt = std::function<bool(uint64_t offset, size_t size, std::string& bytes)>;

// A file as the end-record search sees it: `held`, the bytes from `heldStart` to the file's end, in
// memory (at least the last kZipEndSearchSize bytes), and anything else read through `readAt`.
class ZipFileView {
public:
    enum class Bytes { Read, BeyondFile, Unknown };

    ZipFileView(uint64_t fileSize, uint64_t heldStart, std::string held, ZipReadAt readAt,
                unsigned readLimit = kZipSearchReads);

    // The first byte the search must hold for a file of `fileSize` bytes.
    static uint64_t searchStart(uint64_t fileSize) {
        return fileSize > kZipEndSearchSize ? fileSize - kZipEndSearchSize : 0;
    }

    uint64_t size() const { return size_; }
    uint64_t heldStart() const { return heldStart_; }
    const std::string& held() const { return held_; }

    // The `count` bytes at `offset`, from memory when held there. BeyondFile when they do not all lie
    // inside the file; Unknown when a read failed or the reads allowed are spent.
    Bytes bytesAt(uint64_t offset, size_t count, std::string& bytes);

private:
    uint64_t size_;
    uint64_t heldStart_;
    std::string held_;
    ZipReadAt readAt_;
    unsigned readsLeft_;
};

// The end record Java's reader settles on, and what it takes from it (or from the ZIP64 record the
// locator before it names), in offsets of the whole file. The archive's own offsets count from
// `archiveStart`, which lies past the executable when the jar is appended to one.
struct ZipEnd {
    uint64_t recordStart = 0;  // the 22-byte record; its comment follows
    uint16_t commentLength = 0;
    bool endsFile = false;  // the record and its comment are the file's last bytes
    bool zip64 = false;     // the figures below come from a ZIP64 end record
    uint64_t zip64RecordStart = 0;
    uint64_t directoryStart = 0;
    uint64_t directorySize = 0;
    uint64_t archiveStart = 0;
    uint64_t entryCount = 0;  // as the record says; Java counts the entries when it is wrong
};

// Whether Java's reader takes the end record at `offset`: when its comment reaches the file's end, or
// else when the central directory and the first local header it names begin with their signatures.
enum class ZipEndCheck { Taken, PassedOver, Unsure };
ZipEndCheck checkZipEnd(ZipFileView& file, uint64_t offset);

// Java's reader (java.util.zip.ZipFile) scans the last kZipEndSearchSize bytes backwards for the end
// record signature and takes the first record that checkZipEnd takes: the one nearest the file's end,
// whether or not another one further back has a comment that reaches the end. It never goes back to
// another record: when the one it took names no usable directory, opening fails. After that, when the
// 20 bytes before the record are a ZIP64 locator, it reads the ZIP64 end record at the file offset
// the locator gives and takes its directory size, offset and count, unless one of them differs from
// the end record's while that one is not the ZIP64 marker. The directory then ends where the record
// Java took its figures from begins. (Tested against Java 17 with crafted files: records found up to
// 65,636 bytes back and not one further, a nearer proven record taking precedence over a record whose
// comment ends the file, a ZIP64 record read at its locator's offset from the file's start.)
//
// Found: `end` says where everything lies. Broken: Java takes the record at `end.recordStart`, whose
// directory cannot lie where it says (Java fails to open the file). None: no record Java would take.
// Unsure: a read failed or the reads allowed are spent before the search could end.
enum class ZipEndSearch { Found, Broken, None, Unsure };
ZipEndSearch findZipEnd(ZipFileView& file, ZipEnd& end);

// One central directory entry, as far as reading its data goes.
struct ZipEntry {
    uint16_t flags = 0;
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localHeaderOffset = 0;  // from the archive's start
};

// True when `bytes` begin with the signature of a central directory entry, as a directory with
// entries does.
bool startsZipDirectory(const std::string& bytes);

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
