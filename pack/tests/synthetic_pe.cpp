#include "synthetic_pe.h"

#include "pe/pe_checksum.h"
#include "pe/version_resource.h"

namespace qxpack::test {

namespace {

constexpr uint32_t kPeOffset = 0x80;

struct Section {
    std::string name;
    Bytes data;
    uint32_t characteristics;
    uint32_t rawSize = 0;
    uint32_t rva = 0;
    uint32_t rawPointer = 0;
};

Bytes filled(size_t size, uint8_t seed) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

}  // namespace

Resource makeResource(uint16_t type, uint16_t name, uint16_t language, Bytes data) {
    return Resource{ResourceId::number(type), ResourceId::number(name), language, 0, std::move(data)};
}

ResourceTable launcherLikeResources() {
    Bytes group = {0, 0, 1, 0, 1, 0};  // one image
    const Bytes image = filled(40 + 32 * 32 * 4, 3);
    group.insert(group.end(), {32, 32, 0, 0, 1, 0, 32, 0});
    appendU32(group, static_cast<uint32_t>(image.size()));
    appendU16(group, 1);
    VersionInfo version;
    version.fileVersion = {1, 0, 0, 0};
    version.productVersion = {1, 0, 0, 0};
    version.strings = {
        {u"CompanyName", u"qxlaunch"}, {u"FileVersion", u"1.0.0.0"}, {u"ProductName", u"qxlaunch"}};
    const std::string manifest = "<?xml version=\"1.0\"?><assembly manifestVersion=\"1.0\"/>";
    return {makeResource(kTypeIcon, 1, 0x409, image), makeResource(kTypeGroupIcon, 1, 0x409, group),
            makeResource(kTypeVersion, 1, 0x409, buildVersionResource(version)),
            makeResource(kTypeManifest, 1, 0x409, Bytes(manifest.begin(), manifest.end())),
            makeResource(6, 13, 0x409, filled(64, 9))};
}

Bytes syntheticPe(const ResourceTable& resources, const SyntheticOptions& options) {
    const bool plus = options.machine != kMachineI386;
    std::vector<Section> sections = {{".text", filled(0x300, 1), 0x60000020}, {".rsrc", {}, 0x40000040}};
    if (!options.resourcesLast) sections.push_back({".reloc", filled(0x80, 5), 0x42000040});

    uint32_t rva = kSectionAlignment;
    uint32_t raw = options.headersSize;
    for (Section& s : sections) {
        s.rva = rva;
        s.rawPointer = raw;
        if (s.name == ".rsrc") {
            s.data = buildResourceSection(resources, rva);
            s.data.resize(s.data.size() + options.resourceSlack, 0);
        }
        s.rawSize = alignUp(static_cast<uint32_t>(s.data.size()), kFileAlignment);
        rva += alignUp(s.rawSize, kSectionAlignment);
        raw += s.rawSize;
    }

    Bytes file(raw, 0);
    putU16(file, 0, 0x5A4D);
    putU32(file, 0x3C, kPeOffset);
    putU32(file, kPeOffset, 0x00004550);
    const size_t fh = kPeOffset + 4;
    const uint16_t optionalSize = plus ? 240 : 224;
    putU16(file, fh, options.machine);
    putU16(file, fh + 2, static_cast<uint16_t>(sections.size()));
    putU32(file, fh + 4, 0x12345678);  // time stamp: kept as it is by the writer
    putU16(file, fh + 16, optionalSize);
    putU16(file, fh + 18, 0x0022);
    const size_t oh = fh + 20;
    putU16(file, oh, plus ? 0x20B : 0x10B);
    putU32(file, oh + 4, sections[0].rawSize);
    uint32_t initialized = 0;
    for (size_t i = 1; i < sections.size(); ++i) initialized += sections[i].rawSize;
    putU32(file, oh + 8, initialized);
    putU32(file, oh + 16, sections[0].rva);
    putU32(file, oh + 32, kSectionAlignment);
    putU32(file, oh + 36, kFileAlignment);
    putU32(file, oh + 56, rva);
    putU32(file, oh + 60, options.headersSize);
    putU16(file, oh + 68, 3);  // console subsystem
    const size_t directories = oh + (plus ? 112 : 96);
    putU32(file, directories - 4, 16);
    putU32(file, directories + 8 * kDirectoryResource, sections[1].rva);
    putU32(file, directories + 8 * kDirectoryResource + 4,
           static_cast<uint32_t>(sections[1].data.size() - options.resourceSlack));
    const size_t table = oh + optionalSize;
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        PeSection header{
            s.name, static_cast<uint32_t>(s.data.size()), s.rva, s.rawSize, s.rawPointer, s.characteristics};
        writeSectionHeader(file, table + 40 * i, header);
        std::copy(s.data.begin(), s.data.end(), file.begin() + s.rawPointer);
    }
    if (options.withSymbols) {
        putU32(file, fh + 8, static_cast<uint32_t>(file.size()));
        putU32(file, fh + 12, 2);
        appendBytes(file, filled(2 * 18 + 12, 11));
    }
    appendBytes(file, options.overlay);
    putU32(file, oh + 64, peChecksum(file, oh + 64));
    return file;
}

Bytes sectionBytes(const PeImage& image, const std::string& name) {
    for (const PeSection& s : image.sections) {
        if (s.name == name)
            return Bytes(image.file.begin() + s.rawPointer, image.file.begin() + s.rawPointer + s.rawSize);
    }
    return {};
}

}  // namespace qxpack::test
