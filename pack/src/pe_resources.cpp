#include "pe_resources.h"

#include <algorithm>

#include "pe_checksum.h"

namespace qxpack {

namespace {

constexpr uint32_t kInitializedData = 0x00000040;
constexpr uint32_t kMemRead = 0x40000000;
constexpr size_t kSectionHeaderSize = 40;

uint32_t imageEnd(const std::vector<PeSection>& sections, uint32_t sectionAlignment) {
    uint32_t end = 0;
    for (const PeSection& s : sections) {
        end = std::max(end, s.virtualAddress + alignUp(std::max(s.virtualSize, s.rawSize), sectionAlignment));
    }
    return end;
}

bool isLast(const PeImage& image, size_t index) {
    const PeSection& candidate = image.sections[index];
    for (size_t i = 0; i < image.sections.size(); ++i) {
        if (i == index) continue;
        const PeSection& s = image.sections[i];
        if (s.virtualAddress > candidate.virtualAddress) return false;
        if (s.rawSize > 0 && s.rawPointer > candidate.rawPointer) return false;
    }
    return true;
}

// Room the section at `index` has in place: its raw data, and no more than the gap to the next
// section's address.
uint32_t roomInPlace(const PeImage& image, size_t index) {
    const PeSection& own = image.sections[index];
    uint32_t room = own.rawSize;
    for (const PeSection& s : image.sections) {
        if (s.virtualAddress > own.virtualAddress)
            room = std::min(room, s.virtualAddress - own.virtualAddress);
    }
    return room;
}

}  // namespace

bool readResources(const PeImage& image, ResourceTable& table, std::string& error) {
    table.clear();
    const DataDirectory dir = image.directory(kDirectoryResource);
    if (dir.rva == 0 || dir.size == 0) return true;
    const RvaReader read = [&](uint32_t rva, uint32_t size, Bytes& out) {
        return image.readAtRva(rva, size, out);
    };
    return parseResourceDirectory(read, dir.rva, table, error);
}

bool writeWithResources(const PeImage& image, const ResourceTable& table, Bytes& out, std::string& error) {
    const uint32_t oldEnd = image.endOfSectionData();
    out.assign(image.file.begin(), image.file.begin() + std::min<size_t>(oldEnd, image.file.size()));
    std::vector<PeSection> sections = image.sections;

    // Unstripped images keep their symbols, and the strings of long section names, after the section
    // data; they must follow the new layout. Any other overlay is dropped.
    const ByteReader header(image.file);
    const uint32_t symbolTable = header.u32(image.fileHeaderOffset + 8);
    Bytes keptTail;
    const DataDirectory security = image.directory(kDirectorySecurity);
    if (symbolTable >= oldEnd && symbolTable < image.file.size()) {
        const size_t tailEnd = security.rva > symbolTable ? security.rva : image.file.size();
        keptTail.assign(image.file.begin() + symbolTable, image.file.begin() + tailEnd);
    }

    const DataDirectory resourceDir = image.directory(kDirectoryResource);
    const int current = resourceDir.rva != 0 ? image.sectionAt(resourceDir.rva) : -1;
    const bool startsSection = current >= 0 && image.sections[current].virtualAddress == resourceDir.rva;

    Bytes data;
    size_t sectionIndex = 0;
    bool appended = false;
    if (startsSection) {
        sectionIndex = static_cast<size_t>(current);
        data = buildResourceSection(table, sections[sectionIndex].virtualAddress);
        if (data.size() > roomInPlace(image, sectionIndex) && !isLast(image, sectionIndex)) appended = true;
    } else {
        appended = true;
    }

    if (appended) {
        if (image.sectionTableOffset + kSectionHeaderSize * (sections.size() + 1) > image.sizeOfHeaders) {
            error = "no room in the PE headers for another section header";
            return false;
        }
        PeSection added;
        added.name = ".rsrc";
        added.virtualAddress = imageEnd(sections, image.sectionAlignment);
        added.rawPointer = alignUp(static_cast<uint32_t>(out.size()), image.fileAlignment);
        added.characteristics = kInitializedData | kMemRead;
        sections.push_back(added);
        sectionIndex = sections.size() - 1;
        data = buildResourceSection(table, added.virtualAddress);
    }

    PeSection& target = sections[sectionIndex];
    const uint32_t oldRaw = appended ? 0 : target.rawSize;
    const bool growsAtEnd = !appended && data.size() > roomInPlace(image, sectionIndex);
    if (appended || growsAtEnd)
        target.rawSize = alignUp(static_cast<uint32_t>(data.size()), image.fileAlignment);
    target.virtualSize = static_cast<uint32_t>(data.size());
    out.resize(std::max<size_t>(out.size(), target.rawPointer + target.rawSize), 0);
    std::fill(out.begin() + target.rawPointer, out.begin() + target.rawPointer + target.rawSize, 0);
    std::copy(data.begin(), data.end(), out.begin() + target.rawPointer);
    out.resize(std::max<uint32_t>(image.sizeOfHeaders, [&] {
        uint32_t end = 0;
        for (const PeSection& s : sections) {
            if (s.rawSize > 0) end = std::max(end, s.rawPointer + s.rawSize);
        }
        return end;
    }()));

    // Headers.
    for (size_t i = 0; i < sections.size(); ++i) {
        if (i == sectionIndex || i >= image.sections.size())
            writeSectionHeader(out, sectionHeaderOffset(image, i), sections[i]);
    }
    putU16(out, image.fileHeaderOffset + 2, static_cast<uint16_t>(sections.size()));
    const size_t dirOffset = image.dataDirectoryOffset + 8 * kDirectoryResource;
    putU32(out, dirOffset, target.virtualAddress);
    putU32(out, dirOffset + 4, static_cast<uint32_t>(data.size()));
    putU32(out, image.dataDirectoryOffset + 8 * kDirectorySecurity, 0);
    putU32(out, image.dataDirectoryOffset + 8 * kDirectorySecurity + 4, 0);
    putU32(out, sizeOfImageOffset(image), imageEnd(sections, image.sectionAlignment));
    const uint32_t initialized = header.u32(sizeOfInitializedDataOffset(image));
    putU32(out, sizeOfInitializedDataOffset(image), initialized - oldRaw + target.rawSize);

    if (!keptTail.empty()) {
        putU32(out, image.fileHeaderOffset + 8, static_cast<uint32_t>(out.size()));
        appendBytes(out, keptTail);
    } else if (symbolTable >= oldEnd) {
        putU32(out, image.fileHeaderOffset + 8, 0);
        putU32(out, image.fileHeaderOffset + 12, 0);
    }
    putU32(out, checksumOffset(image), 0);
    putU32(out, checksumOffset(image), peChecksum(out, checksumOffset(image)));
    return true;
}

Bytes withOverlay(Bytes file, const Bytes& tail, size_t checksumOffset) {
    appendBytes(file, tail);
    putU32(file, checksumOffset, 0);
    putU32(file, checksumOffset, peChecksum(file, checksumOffset));
    return file;
}

}  // namespace qxpack
