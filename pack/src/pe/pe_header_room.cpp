#include "pe/pe_header_room.h"

#include <algorithm>

namespace qxpack {

namespace {

constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDebugEntrySize = 28;
constexpr size_t kDebugRawPointer = 24;

}  // namespace

bool hasRoomForSectionHeader(const PeImage& image) {
    return image.sectionTableOffset + kSectionHeaderSize * (image.sections.size() + 1) <= image.sizeOfHeaders;
}

bool widenHeaders(const PeImage& image, PeImage& widened, std::string& error) {
    const auto needed =
        static_cast<uint32_t>(image.sectionTableOffset + kSectionHeaderSize * (image.sections.size() + 1));
    const uint32_t newSize = alignUp(needed, image.fileAlignment);
    uint32_t firstAddress = image.sectionAlignment;
    uint32_t firstRaw = static_cast<uint32_t>(image.file.size());
    for (const PeSection& s : image.sections) {
        firstAddress = std::min(firstAddress, s.virtualAddress);
        if (s.rawSize > 0) firstRaw = std::min(firstRaw, s.rawPointer);
    }
    // The loader maps the headers below the first section; they must stay there.
    if (newSize > firstAddress) {
        error = "no room in the PE headers for another section header";
        return false;
    }
    // Raw data moves by whole alignment units, and only when the grown headers would reach it.
    const uint32_t delta = newSize > firstRaw ? alignUp(newSize - firstRaw, image.fileAlignment) : 0;
    const uint32_t oldEnd = firstRaw;

    Bytes file(image.file.begin(), image.file.begin() + oldEnd);
    file.resize(newSize, 0);
    file.insert(file.end(), image.file.begin() + oldEnd, image.file.end());
    putU32(file, image.optionalHeaderOffset + 60, newSize);  // SizeOfHeaders
    for (size_t i = 0; i < image.sections.size(); ++i) {
        PeSection s = image.sections[i];
        if (s.rawSize > 0 || s.rawPointer >= oldEnd) s.rawPointer += delta;
        const size_t header = sectionHeaderOffset(image, i);
        putU32(file, header + 20, s.rawPointer);
    }
    const ByteReader old(image.file);
    const uint32_t symbols = old.u32(image.fileHeaderOffset + 8);
    if (symbols >= oldEnd) putU32(file, image.fileHeaderOffset + 8, symbols + delta);
    const DataDirectory security = image.directory(kDirectorySecurity);
    if (security.rva >= oldEnd)
        putU32(file, image.dataDirectoryOffset + 8 * kDirectorySecurity, security.rva + delta);

    const DataDirectory debug = image.directory(kDirectoryDebug);
    const int holder = debug.rva != 0 ? image.sectionAt(debug.rva) : -1;
    if (holder >= 0) {
        const PeSection& s = image.sections[holder];
        const size_t at = s.rawPointer + delta + (debug.rva - s.virtualAddress);
        for (size_t entry = 0;
             entry + kDebugEntrySize <= debug.size && at + entry + kDebugEntrySize <= file.size();
             entry += kDebugEntrySize) {
            const size_t field = at + entry + kDebugRawPointer;
            const uint32_t pointer = ByteReader(file).u32(field);
            if (pointer >= oldEnd) putU32(file, field, pointer + delta);
        }
    }
    return parsePeImage(std::move(file), PeAcceptance{true}, widened, error);
}

}  // namespace qxpack
