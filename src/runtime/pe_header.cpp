#include "runtime/pe_header.h"

namespace qx {
namespace {

constexpr size_t kDosHeaderSize = 64;
constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kSignatureSize = 4;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kOptionalSizeOffset = 16;  // inside the file header

uint32_t read32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

bool locateNtHeaders(const unsigned char* data, size_t size, size_t* offset) {
    if (!data || size < kDosHeaderSize || data[0] != 'M' || data[1] != 'Z') return false;
    const size_t nt = read32(data + kLfanewOffset);
    // Compare by subtraction so a huge e_lfanew cannot wrap around.
    if (nt > size || size - nt < kSignatureSize + kFileHeaderSize) return false;
    const size_t optional = read16(data + nt + kSignatureSize + kOptionalSizeOffset);
    if (size - nt - kSignatureSize - kFileHeaderSize < optional) return false;
    *offset = nt;
    return true;
}

bool peMachine(const unsigned char* data, size_t size, uint16_t* machine) {
    size_t nt = 0;
    if (!locateNtHeaders(data, size, &nt)) return false;
    if (data[nt] != 'P' || data[nt + 1] != 'E' || data[nt + 2] != 0 || data[nt + 3] != 0) return false;
    *machine = read16(data + nt + kSignatureSize);
    return true;
}

const wchar_t* machineName(uint16_t machine) {
    switch (machine) {
        case kMachineX86:
            return L"x86";
        case kMachineAmd64:
            return L"x64";
        case kMachineArm64:
            return L"arm64";
        default:
            return L"other";
    }
}

}  // namespace qx
