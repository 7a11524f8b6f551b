// A parsed view of a PE file: the headers and the section table, with the offsets needed to rewrite
// them. Only what resource replacement needs; the file's bytes stay the single source of truth.
#pragma once

#include <string>
#include <vector>

#include "core/byte_io.h"

namespace qxpack {

constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMachineArm64 = 0xAA64;
constexpr uint16_t kMachineI386 = 0x014C;

// "AMD64", "ARM64", "I386", or the machine field in hex.
std::string machineName(uint16_t machine);

constexpr int kDirectoryResource = 2;
constexpr int kDirectorySecurity = 4;
constexpr int kDirectoryDebug = 6;

struct PeSection {
    std::string name;  // the raw 8-byte field, trailing NULs removed
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    uint32_t characteristics = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

struct PeImage {
    Bytes file;
    uint16_t machine = 0;
    bool pe32Plus = false;
    size_t fileHeaderOffset = 0;
    size_t optionalHeaderOffset = 0;
    size_t sectionTableOffset = 0;
    size_t dataDirectoryOffset = 0;
    uint32_t directoryCount = 0;
    uint32_t fileAlignment = 0;
    uint32_t sectionAlignment = 0;
    uint32_t sizeOfHeaders = 0;
    std::vector<PeSection> sections;

    DataDirectory directory(int index) const;
    // End of the last section's raw data: what follows is overlay (appended data, symbols, signature).
    uint32_t endOfSectionData() const;
    // The section that holds `rva`, or -1.
    int sectionAt(uint32_t rva) const;
    // `size` bytes of the mapped image at `rva`; false when they are not all backed by the file.
    bool readAtRva(uint32_t rva, uint32_t size, Bytes& out) const;
};

// AMD64 and ARM64 launchers are always accepted; a 32-bit one only when asked for.
struct PeAcceptance {
    bool allowI386 = false;
};

// Fills `image` from `file`; on failure `error` names the problem and `image` is unspecified.
bool parsePeImage(Bytes file, const PeAcceptance& acceptance, PeImage& image, std::string& error);

// Offsets of fields inside the headers that the writer changes.
size_t checksumOffset(const PeImage& image);
size_t sizeOfImageOffset(const PeImage& image);
size_t sizeOfInitializedDataOffset(const PeImage& image);
size_t sectionHeaderOffset(const PeImage& image, size_t index);
void writeSectionHeader(Bytes& file, size_t offset, const PeSection& section);

}  // namespace qxpack
