// The signed-range rule (certificate table and end records) over a file made from the input: fixed PE
// headers, then the input's bytes, with the Security directory placed by the input's first bytes so
// that most inputs reach the certificate and end-record checks.
#include <string>

#include "fuzz_input.h"
#include "vm/signed_range.h"

namespace {

constexpr size_t kHeaders = 512;
constexpr size_t kSecurityEntry = 0x80 + 24 + 112 + 4 * 8;

void put(std::string& bytes, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

uint32_t get(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string headers() {
    std::string h(kHeaders, '\0');
    h[0] = 'M';
    h[1] = 'Z';
    put(h, 0x3C, 0x80, 4);
    h.replace(0x80, 4, std::string("PE\0\0", 4));
    put(h, 0x84, 0x8664, 2);
    put(h, 0x94, 240, 2);
    put(h, 0x98, 0x20B, 2);
    put(h, 0x98 + 108, 16, 4);
    return h;
}

}  // namespace

// Input: 2 bytes where the table starts in the rest, 1 byte of which the low bit says whether the
// directory's size reaches the file's end (else the next 2 bytes are the size), then the file's body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string file = headers() + input.substr(5);
    const uint64_t bodySize = file.size() - kHeaders;
    const uint64_t offset = kHeaders + (bodySize ? get(input, 0, 2) % (bodySize + 1) : 0);
    const uint64_t tableSize = input[2] & 1 ? file.size() - offset : get(input, 3, 2);
    put(file, kSecurityEntry, offset, 4);
    put(file, kSecurityEntry + 4, tableSize, 4);

    unsigned reads = 0;
    const qx::SignedRangeCheck check =
        qx::checkSignedRange(file.size(), [&file, &reads](uint64_t at, size_t count, std::string& bytes) {
            QX_FUZZ_CHECK(at <= file.size() && count <= file.size() - at);
            ++reads;
            bytes = file.substr(at, count);
            return true;
        });
    // The headers, the table with the tail, then the probes of end records.
    QX_FUZZ_CHECK(reads <= 2 + qx::kZipSearchReads);
    QX_FUZZ_CHECK((check.verdict == qx::SignedRange::Unsigned) == (tableSize == 0));
    if (check.verdict != qx::SignedRange::Covered) return 0;
    QX_FUZZ_CHECK(offset + tableSize == file.size());
    // The plainest hiding place, checked here on its own: an end record inside the table whose comment
    // reaches the file's end, which Java takes without looking further.
    for (uint64_t at = offset; at + qx::kZipEndRecordSize <= file.size(); ++at) {
        QX_FUZZ_CHECK(file.compare(at, 4, "PK\x05\x06") != 0 ||
                      at + qx::kZipEndRecordSize + get(file, at + 20, 2) != file.size());
    }
    if (check.archive == qx::ZipEndSearch::Found) {
        QX_FUZZ_CHECK(check.end.recordStart + qx::kZipEndRecordSize <= offset);
        QX_FUZZ_CHECK(check.end.directoryStart + check.end.directorySize <= offset);
    }
    return 0;
}
