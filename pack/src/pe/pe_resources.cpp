#include "pe/pe_resources.h"

#include <algorithm>

#include "pe/pe_checksum.h"
#include "pe/pe_header_room.h"

namespace qxpack {

namespace {

constexpr uint32_t kInitializedData = 0x00000040;
constexpr uint32_t kMemRead = 0x40000000;

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

namespace {

// Symbols, and the strings of long section names, that unstripped images keep after the section
// data; they must follow the new layout. Any other overlay is dropped.
Bytes symbolsToKeep(const PeImage& image, uint32_t symbolTable) {
    const uint32_t sectionsEnd = image.endOfSectionData();
    if (symbolTable < sectionsEnd || symbolTable >= image.file.size()) return {};
    const DataDirectory security = image.directory(kDirectorySecurity);  // its "rva" is a file offset
    const size_t end =
        security.rva > symbolTable ? std::min<size_t>(security.rva, image.file.size()) : image.file.size();
    return Bytes(image.file.begin() + symbolTable, image.file.begin() + end);
}

uint32_t endOfRawData(const std::vector<PeSection>& sections, uint32_t sizeOfHeaders) {
    uint32_t end = sizeOfHeaders;
    for (const PeSection& s : sections) {
        if (s.rawSize > 0) end = std::max(end, s.rawPointer + s.rawSize);
    }
    return end;
}

struct Placement {
    size_t index = 0;    // into the new section list
    bool added = false;  // a new last section
    Bytes data;          // the directory tree built for that section's address
};

// The existing resource section, when the new tree fits there or may grow there; `data` is the tree
// built for its address.
bool reusableSection(const PeImage& image, const ResourceTable& table, size_t& index, Bytes& data) {
    const DataDirectory dir = image.directory(kDirectoryResource);
    const int current = dir.rva != 0 ? image.sectionAt(dir.rva) : -1;
    if (current < 0 || image.sections[current].virtualAddress != dir.rva) return false;
    index = static_cast<size_t>(current);
    data = buildResourceSection(table, dir.rva);
    return data.size() <= roomInPlace(image, index) || isLast(image, index);
}

bool placeResources(const PeImage& image, const ResourceTable& table, std::vector<PeSection>& sections,
                    Placement& placement, std::string& error) {
    if (reusableSection(image, table, placement.index, placement.data)) return true;
    if (!hasRoomForSectionHeader(image)) {
        error = "no room in the PE headers for another section header";
        return false;
    }
    PeSection added;
    added.name = ".rsrc";
    added.virtualAddress = imageEnd(sections, image.sectionAlignment);
    added.rawPointer = alignUp(image.endOfSectionData(), image.fileAlignment);
    added.characteristics = kInitializedData | kMemRead;
    sections.push_back(added);
    placement.index = sections.size() - 1;
    placement.added = true;
    placement.data = buildResourceSection(table, added.virtualAddress);
    return true;
}

}  // namespace

bool writeWithResources(const PeImage& image, const ResourceTable& table, Bytes& out, std::string& error) {
    size_t index = 0;
    Bytes data;
    if (!reusableSection(image, table, index, data) && !hasRoomForSectionHeader(image)) {
        PeImage widened;
        if (!widenHeaders(image, widened, error)) return false;
        return writeWithResources(widened, table, out, error);
    }
    std::vector<PeSection> sections = image.sections;
    Placement placement;
    if (!placeResources(image, table, sections, placement, error)) return false;

    PeSection& target = sections[placement.index];
    const uint32_t oldRawSize = placement.added ? 0 : target.rawSize;
    if (placement.added || placement.data.size() > roomInPlace(image, placement.index)) {
        target.rawSize = alignUp(static_cast<uint32_t>(placement.data.size()), image.fileAlignment);
    }
    target.virtualSize = static_cast<uint32_t>(placement.data.size());

    out.assign(image.file.begin(), image.file.begin() + image.endOfSectionData());
    out.resize(endOfRawData(sections, image.sizeOfHeaders), 0);
    std::fill(out.begin() + target.rawPointer, out.begin() + target.rawPointer + target.rawSize, 0);
    std::copy(placement.data.begin(), placement.data.end(), out.begin() + target.rawPointer);

    writeSectionHeader(out, sectionHeaderOffset(image, placement.index), target);
    putU16(out, image.fileHeaderOffset + 2, static_cast<uint16_t>(sections.size()));
    const size_t resourceEntry = image.dataDirectoryOffset + 8 * kDirectoryResource;
    putU32(out, resourceEntry, target.virtualAddress);
    putU32(out, resourceEntry + 4, target.virtualSize);
    // A signature cannot survive the change; signing tools add a fresh one.
    putU32(out, image.dataDirectoryOffset + 8 * kDirectorySecurity, 0);
    putU32(out, image.dataDirectoryOffset + 8 * kDirectorySecurity + 4, 0);
    putU32(out, sizeOfImageOffset(image), imageEnd(sections, image.sectionAlignment));
    const ByteReader old(image.file);
    const uint32_t initialized = old.u32(sizeOfInitializedDataOffset(image));
    putU32(out, sizeOfInitializedDataOffset(image), initialized - oldRawSize + target.rawSize);

    const uint32_t symbolTable = old.u32(image.fileHeaderOffset + 8);
    const Bytes symbols = symbolsToKeep(image, symbolTable);
    if (!symbols.empty()) {
        putU32(out, image.fileHeaderOffset + 8, static_cast<uint32_t>(out.size()));
        appendBytes(out, symbols);
    } else if (symbolTable >= image.endOfSectionData()) {
        putU32(out, image.fileHeaderOffset + 8, 0);  // it pointed into the dropped overlay
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
