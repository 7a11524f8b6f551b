#include "pe/pe_image.h"

#include <algorithm>
#include <cstdio>

namespace qxpack {

namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

bool isPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool parseHeaders(const ByteReader& in, const PeAcceptance& acceptance, PeImage& image, std::string& error) {
    if (in.size() < 64 || in.u16(0) != 0x5A4D) {
        error = "not a PE file: no MZ header";
        return false;
    }
    const uint32_t peOffset = in.u32(0x3C);
    if (peOffset + 4 + kFileHeaderSize > in.size() || in.u32(peOffset) != 0x00004550) {
        error = "not a PE file: no PE signature at the offset the DOS header gives";
        return false;
    }
    image.fileHeaderOffset = peOffset + 4;
    image.machine = in.u16(image.fileHeaderOffset);
    const bool wide = image.machine == kMachineAmd64 || image.machine == kMachineArm64;
    const bool i386 = image.machine == kMachineI386;
    if (!wide && !(i386 && acceptance.allowI386)) {
        error = "wrong machine type " + hex(image.machine) + ": only AMD64 (0x8664)" +
                (acceptance.allowI386 ? ", ARM64 (0xAA64) and I386 (0x14C)" : " and ARM64 (0xAA64)") +
                " executables are accepted";
        return false;
    }
    const uint16_t sectionCount = in.u16(image.fileHeaderOffset + 2);
    const uint16_t optionalSize = in.u16(image.fileHeaderOffset + 16);
    image.optionalHeaderOffset = image.fileHeaderOffset + kFileHeaderSize;
    in.require(image.optionalHeaderOffset, optionalSize);
    const uint16_t magic = in.u16(image.optionalHeaderOffset);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) {
        error = "not a PE image: unknown optional header magic " + hex(magic);
        return false;
    }
    image.pe32Plus = magic == kMagicPe32Plus;
    if (image.pe32Plus != wide) {
        error = "inconsistent PE file: the optional header format does not match the machine type";
        return false;
    }
    const size_t o = image.optionalHeaderOffset;
    image.sectionAlignment = in.u32(o + 32);
    image.fileAlignment = in.u32(o + 36);
    image.sizeOfHeaders = in.u32(o + 60);
    const size_t countField = image.pe32Plus ? 108 : 92;
    image.dataDirectoryOffset = o + countField + 4;
    image.directoryCount = in.u32(o + countField);
    if (!isPowerOfTwo(image.fileAlignment) || !isPowerOfTwo(image.sectionAlignment)) {
        error = "corrupt PE file: section or file alignment is not a power of two";
        return false;
    }
    if (image.dataDirectoryOffset + 8ull * image.directoryCount > o + optionalSize ||
        image.directoryCount <= kDirectorySecurity) {
        error = "corrupt PE file: the data directories do not fit the optional header";
        return false;
    }
    if (image.sizeOfHeaders > in.size()) {
        error = "truncated PE file: the headers end past the end of the file";
        return false;
    }
    image.sectionTableOffset = o + optionalSize;
    in.require(image.sectionTableOffset, kSectionHeaderSize * sectionCount);
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t s = image.sectionTableOffset + kSectionHeaderSize * i;
        PeSection section;
        const Bytes name = in.slice(s, 8);
        section.name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
        section.virtualSize = in.u32(s + 8);
        section.virtualAddress = in.u32(s + 12);
        section.rawSize = in.u32(s + 16);
        section.rawPointer = in.u32(s + 20);
        section.characteristics = in.u32(s + 36);
        if (section.rawSize > 0 &&
            (section.rawPointer > in.size() || section.rawSize > in.size() - section.rawPointer)) {
            error = "truncated PE file: section " + section.name + " ends past the end of the file";
            return false;
        }
        image.sections.push_back(section);
    }
    return true;
}

}  // namespace

std::string machineName(uint16_t machine) {
    switch (machine) {
        case kMachineAmd64:
            return "AMD64";
        case kMachineArm64:
            return "ARM64";
        case kMachineI386:
            return "I386";
        default:
            return hex(machine);
    }
}

DataDirectory PeImage::directory(int index) const {
    if (static_cast<uint32_t>(index) >= directoryCount) return {};
    const ByteReader in(file);
    return {in.u32(dataDirectoryOffset + 8 * index), in.u32(dataDirectoryOffset + 8 * index + 4)};
}

uint32_t PeImage::endOfSectionData() const {
    uint32_t end = sizeOfHeaders;
    for (const PeSection& s : sections) {
        if (s.rawSize > 0) end = std::max(end, s.rawPointer + s.rawSize);
    }
    return end;
}

int PeImage::sectionAt(uint32_t rva) const {
    for (size_t i = 0; i < sections.size(); ++i) {
        const PeSection& s = sections[i];
        const uint32_t span = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - s.virtualAddress < span) return static_cast<int>(i);
    }
    return -1;
}

bool PeImage::readAtRva(uint32_t rva, uint32_t size, Bytes& out) const {
    const int index = sectionAt(rva);
    if (index < 0) return false;
    const PeSection& s = sections[index];
    const uint32_t within = rva - s.virtualAddress;
    if (within > s.rawSize || size > s.rawSize - within) return false;
    if (static_cast<size_t>(s.rawPointer) + within + size > file.size()) return false;
    out.assign(file.begin() + s.rawPointer + within, file.begin() + s.rawPointer + within + size);
    return true;
}

bool parsePeImage(Bytes file, const PeAcceptance& acceptance, PeImage& image, std::string& error) {
    image = PeImage{};
    image.file = std::move(file);
    try {
        return parseHeaders(ByteReader(image.file), acceptance, image, error);
    } catch (const OutOfBounds&) {
        error = image.file.size() < 64 ? "not a PE file: too short for a DOS header"
                                       : "truncated PE file: the headers end past the end of the file";
        return false;
    }
}

size_t checksumOffset(const PeImage& image) { return image.optionalHeaderOffset + 64; }
size_t sizeOfImageOffset(const PeImage& image) { return image.optionalHeaderOffset + 56; }
size_t sizeOfInitializedDataOffset(const PeImage& image) { return image.optionalHeaderOffset + 8; }
size_t sectionHeaderOffset(const PeImage& image, size_t index) {
    return image.sectionTableOffset + kSectionHeaderSize * index;
}

void writeSectionHeader(Bytes& file, size_t offset, const PeSection& section) {
    for (size_t i = 0; i < 8; ++i) file[offset + i] = i < section.name.size() ? section.name[i] : 0;
    putU32(file, offset + 8, section.virtualSize);
    putU32(file, offset + 12, section.virtualAddress);
    putU32(file, offset + 16, section.rawSize);
    putU32(file, offset + 20, section.rawPointer);
    for (size_t i = 24; i < 36; ++i) file[offset + i] = 0;  // no relocations or line numbers in images
    putU32(file, offset + 36, section.characteristics);
}

}  // namespace qxpack
