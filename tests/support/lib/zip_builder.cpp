#include "support/lib/zip_builder.h"

namespace qxtest {

void putLe(std::string& bytes, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string le(uint64_t value, int size) {
    std::string bytes(static_cast<size_t>(size), '\0');
    putLe(bytes, 0, value, size);
    return bytes;
}

std::string zipArchive(const ZipSpec& spec) {
    std::string locals, directory;
    for (const auto& [name, data] : spec.entries) {
        const uint64_t offset = locals.size();
        const std::string sizes = le(0, 4) + le(data.size(), 4) + le(data.size(), 4);  // CRC left 0
        locals += "PK\x03\x04" + le(20, 2) + le(0, 2) + le(0, 2) + le(0, 4) + sizes + le(name.size(), 2) +
                  le(0, 2) + name + data;
        directory += "PK\x01\x02" + le(20, 2) + le(20, 2) + le(0, 2) + le(0, 2) + le(0, 4) + sizes +
                     le(name.size(), 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4) +
                     le(offset, 4) + name;
    }
    const uint64_t count = spec.entries.size();
    std::string zip = locals + directory;
    if (spec.zip64) {
        const uint64_t record = zip.size();
        zip += "PK\x06\x06" + le(44, 8) + le(45, 2) + le(45, 2) + le(0, 4) + le(0, 4) + le(count, 8) +
               le(count, 8) + le(directory.size(), 8) + le(locals.size(), 8);
        zip += "PK\x06\x07" + le(0, 4) + le(spec.locatorBase + record, 8) + le(1, 4);
    }
    const uint64_t endCount = spec.zip64 ? 0xFFFF : count;
    zip += "PK\x05\x06" + le(0, 2) + le(0, 2) + le(endCount, 2) + le(endCount, 2) + le(directory.size(), 4) +
           le(locals.size(), 4) + le(spec.comment.size(), 2) + spec.comment;
    return zip;
}

}  // namespace qxtest
