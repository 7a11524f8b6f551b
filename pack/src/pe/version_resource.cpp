#include "pe/version_resource.h"

#include <cstdio>

namespace qxpack {

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kFixedStructVersion = 0x00010000;
constexpr uint32_t kFileFlagsMask = 0x3F;
constexpr uint32_t kOsNtWindows32 = 0x00040004;
constexpr uint32_t kFileTypeApp = 1;
constexpr uint16_t kBinaryValue = 0;
constexpr uint16_t kTextValue = 1;

void appendText(Bytes& out, const std::u16string& text) {
    for (char16_t c : text) appendU16(out, c);
    appendU16(out, 0);
}

Bytes block(const std::u16string& key, uint16_t type, uint16_t valueLength, const Bytes& value,
            const std::vector<Bytes>& children) {
    Bytes out;
    appendU16(out, 0);
    appendU16(out, valueLength);
    appendU16(out, type);
    appendText(out, key);
    padTo(out, 4);
    appendBytes(out, value);
    for (const Bytes& child : children) {
        padTo(out, 4);
        appendBytes(out, child);
    }
    putU16(out, 0, static_cast<uint16_t>(out.size()));
    return out;
}

uint32_t high(const VersionNumbers& v) { return (static_cast<uint32_t>(v[0]) << 16) | v[1]; }
uint32_t low(const VersionNumbers& v) { return (static_cast<uint32_t>(v[2]) << 16) | v[3]; }

struct Block {
    std::u16string key;
    uint16_t type = 0;
    size_t valueOffset = 0;
    size_t valueBytes = 0;
    size_t childrenOffset = 0;
    size_t end = 0;
};

Block readBlock(const ByteReader& in, size_t offset, size_t limit) {
    Block b;
    const uint16_t length = in.u16(offset);
    const uint16_t valueLength = in.u16(offset + 2);
    b.type = in.u16(offset + 4);
    b.end = offset + length;
    if (length < 6 || b.end > limit) throw OutOfBounds("version block overruns its parent");
    size_t p = offset + 6;
    for (; p + 1 < b.end && in.u16(p) != 0; p += 2) b.key.push_back(static_cast<char16_t>(in.u16(p)));
    p = alignUp(static_cast<uint32_t>(p + 2), 4);
    b.valueOffset = p;
    b.valueBytes = b.type == kTextValue ? 2u * valueLength : valueLength;
    if (b.valueOffset + b.valueBytes > b.end)
        b.valueBytes = b.end > b.valueOffset ? b.end - b.valueOffset : 0;
    b.childrenOffset = alignUp(static_cast<uint32_t>(b.valueOffset + b.valueBytes), 4);
    return b;
}

std::vector<Block> children(const ByteReader& in, const Block& parent) {
    std::vector<Block> out;
    for (size_t p = parent.childrenOffset; p + 6 <= parent.end;) {
        out.push_back(readBlock(in, p, parent.end));
        p = alignUp(static_cast<uint32_t>(out.back().end), 4);
    }
    return out;
}

std::u16string textValue(const ByteReader& in, const Block& b) {
    std::u16string text;
    for (size_t p = b.valueOffset; p + 1 < b.end; p += 2) {  // some tools count bytes, not characters
        const uint16_t c = in.u16(p);
        if (c == 0) break;
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

}  // namespace

std::u16string VersionInfo::value(const std::u16string& name) const {
    for (const auto& entry : strings) {
        if (entry.first == name) return entry.second;
    }
    return {};
}

bool parseVersionNumbers(const std::string& text, VersionNumbers& numbers) {
    VersionNumbers parsed{};
    size_t part = 0;
    size_t i = 0;
    while (true) {
        if (part == 4 || i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        uint32_t value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + static_cast<uint32_t>(text[i] - '0');
            if (value > 0xFFFF) return false;
        }
        parsed[part++] = static_cast<uint16_t>(value);
        if (i == text.size()) break;
        if (text[i++] != '.') return false;
    }
    numbers = parsed;
    return true;
}

std::string versionText(const VersionNumbers& v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

Bytes buildVersionResource(const VersionInfo& info) {
    Bytes fixed;
    appendU32(fixed, kFixedSignature);
    appendU32(fixed, kFixedStructVersion);
    appendU32(fixed, high(info.fileVersion));
    appendU32(fixed, low(info.fileVersion));
    appendU32(fixed, high(info.productVersion));
    appendU32(fixed, low(info.productVersion));
    appendU32(fixed, kFileFlagsMask);
    appendU32(fixed, 0);  // flags: a release build
    appendU32(fixed, kOsNtWindows32);
    appendU32(fixed, kFileTypeApp);
    appendU32(fixed, 0);  // subtype
    appendU32(fixed, 0);  // file date: none, so packages are reproducible
    appendU32(fixed, 0);

    std::vector<Bytes> strings;
    for (const auto& entry : info.strings) {
        Bytes value;
        appendText(value, entry.second);
        strings.push_back(
            block(entry.first, kTextValue, static_cast<uint16_t>(entry.second.size() + 1), value, {}));
    }
    char tableName[9];
    std::snprintf(tableName, sizeof tableName, "%04x%04x", info.language, info.codePage);
    std::u16string tableKey(tableName, tableName + 8);
    const Bytes table = block(tableKey, kTextValue, 0, {}, strings);
    const Bytes stringFileInfo = block(u"StringFileInfo", kTextValue, 0, {}, {table});

    Bytes translation;
    appendU16(translation, info.language);
    appendU16(translation, info.codePage);
    const Bytes var = block(u"Translation", kBinaryValue, 4, translation, {});
    const Bytes varFileInfo = block(u"VarFileInfo", kTextValue, 0, {}, {var});

    return block(u"VS_VERSION_INFO", kBinaryValue, static_cast<uint16_t>(fixed.size()), fixed,
                 {stringFileInfo, varFileInfo});
}

bool parseVersionResource(const Bytes& data, VersionInfo& info, std::string& error) {
    info = VersionInfo{};
    try {
        const ByteReader in(data);
        const Block root = readBlock(in, 0, data.size());
        if (root.key != u"VS_VERSION_INFO" || root.valueBytes < 52 ||
            in.u32(root.valueOffset) != kFixedSignature) {
            error = "damaged version resource: no VS_VERSION_INFO with fixed file information";
            return false;
        }
        const size_t f = root.valueOffset;
        const auto split = [](uint32_t hi, uint32_t lo) {
            return VersionNumbers{static_cast<uint16_t>(hi >> 16), static_cast<uint16_t>(hi),
                                  static_cast<uint16_t>(lo >> 16), static_cast<uint16_t>(lo)};
        };
        info.fileVersion = split(in.u32(f + 8), in.u32(f + 12));
        info.productVersion = split(in.u32(f + 16), in.u32(f + 20));
        for (const Block& child : children(in, root)) {
            if (child.key != u"StringFileInfo") continue;
            const std::vector<Block> tables = children(in, child);
            if (tables.empty()) continue;
            const std::string key(tables[0].key.begin(), tables[0].key.end());
            unsigned language = 0;
            unsigned codePage = 0;
            if (key.size() == 8 && std::sscanf(key.c_str(), "%4x%4x", &language, &codePage) == 2) {
                info.language = static_cast<uint16_t>(language);
                info.codePage = static_cast<uint16_t>(codePage);
            }
            for (const Block& s : children(in, tables[0])) info.strings.emplace_back(s.key, textValue(in, s));
        }
        return true;
    } catch (const OutOfBounds&) {
        error = "damaged version resource: a block overruns the data";
        return false;
    }
}

}  // namespace qxpack
