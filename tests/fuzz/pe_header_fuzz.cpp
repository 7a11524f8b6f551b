// The machine type of a PE image read from a byte buffer, never past its end.
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "runtime/pe_header.h"

namespace {

uint16_t read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void check(const unsigned char* data, size_t size) {
    size_t offset = 0;
    const bool located = qx::locateNtHeaders(data, size, &offset);
    if (located) {
        // Signature, file header and the optional header it announces all lie inside the bytes.
        QX_FUZZ_CHECK(size >= 64 && data[0] == 'M' && data[1] == 'Z');
        QX_FUZZ_CHECK(offset <= size && size - offset >= 24);
        QX_FUZZ_CHECK(size - offset - 24 >= read16(data + offset + 20));
    }
    uint16_t machine = 0xBEEF;
    const bool read = qx::peMachine(data, size, &machine);
    QX_FUZZ_CHECK(!read || located);
    if (read) {
        QX_FUZZ_CHECK(std::memcmp(data + offset, "PE\0\0", 4) == 0);
        QX_FUZZ_CHECK(machine == read16(data + offset + 4));
    } else {
        QX_FUZZ_CHECK(machine == 0xBEEF);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(data, size);
    // The same image cut one byte short, in a buffer of exactly that size.
    if (size > 0) {
        std::unique_ptr<unsigned char[]> shorter(new unsigned char[size - 1]);
        std::memcpy(shorter.get(), data, size - 1);
        check(shorter.get(), size - 1);
    }
    check(nullptr, 0);
    return 0;
}
