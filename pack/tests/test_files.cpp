#include "test_files.h"

namespace qxpack::test {

namespace {

// CRC-32 as ZIP readers check it; only the few bytes of the test entries pass through here.
uint32_t crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

}  // namespace

Bytes iconImage(uint8_t width, uint8_t bitCount) {
    const uint32_t side = width == 0 ? 256 : width;
    Bytes dib;
    appendU32(dib, 40);
    appendU32(dib, side);
    appendU32(dib, 2 * side);  // colour and mask rows
    appendU16(dib, 1);
    appendU16(dib, bitCount);
    for (int i = 0; i < 6; ++i) appendU32(dib, 0);
    const size_t colourRow = (side * bitCount + 31) / 32 * 4;
    const size_t maskRow = (side + 31) / 32 * 4;
    for (size_t i = 0; i < colourRow * side; ++i) dib.push_back(static_cast<uint8_t>(i * side));
    dib.resize(dib.size() + maskRow * side, 0);
    return dib;
}

Bytes icoFile(const std::vector<std::pair<uint8_t, uint8_t>>& images) {
    Bytes file;
    appendU16(file, 0);
    appendU16(file, 1);
    appendU16(file, static_cast<uint16_t>(images.size()));
    Bytes data;
    const size_t dataStart = 6 + 16 * images.size();
    for (const auto& [width, bits] : images) {
        const Bytes image = iconImage(width, bits);
        file.push_back(width);
        file.push_back(width);
        file.push_back(0);
        file.push_back(0);
        appendU16(file, 1);
        appendU16(file, bits);
        appendU32(file, static_cast<uint32_t>(image.size()));
        appendU32(file, static_cast<uint32_t>(dataStart + data.size()));
        appendBytes(data, image);
    }
    appendBytes(file, data);
    return file;
}

Bytes zipFile(const std::vector<std::pair<std::string, std::string>>& entries) {
    Bytes zip;
    Bytes central;
    for (const auto& [name, content] : entries) {
        const uint32_t offset = static_cast<uint32_t>(zip.size());
        const uint32_t crc = crc32(content);
        const auto size = static_cast<uint32_t>(content.size());
        appendU32(zip, 0x04034b50);
        appendU16(zip, 10);
        appendU16(zip, 0);
        appendU16(zip, 0);  // stored
        appendU32(zip, 0);  // time and date
        appendU32(zip, crc);
        appendU32(zip, size);
        appendU32(zip, size);
        appendU16(zip, static_cast<uint16_t>(name.size()));
        appendU16(zip, 0);
        zip.insert(zip.end(), name.begin(), name.end());
        zip.insert(zip.end(), content.begin(), content.end());

        appendU32(central, 0x02014b50);
        appendU16(central, 20);
        appendU16(central, 10);
        appendU16(central, 0);
        appendU16(central, 0);
        appendU32(central, 0);
        appendU32(central, crc);
        appendU32(central, size);
        appendU32(central, size);
        appendU16(central, static_cast<uint16_t>(name.size()));
        for (int i = 0; i < 4; ++i) appendU16(central, 0);  // extra, comment, disk, internal attributes
        appendU32(central, 0);
        appendU32(central, offset);
        central.insert(central.end(), name.begin(), name.end());
    }
    const auto centralOffset = static_cast<uint32_t>(zip.size());
    appendBytes(zip, central);
    appendU32(zip, 0x06054b50);
    appendU16(zip, 0);
    appendU16(zip, 0);
    appendU16(zip, static_cast<uint16_t>(entries.size()));
    appendU16(zip, static_cast<uint16_t>(entries.size()));
    appendU32(zip, static_cast<uint32_t>(central.size()));
    appendU32(zip, centralOffset);
    appendU16(zip, 0);
    return zip;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

}  // namespace qxpack::test
