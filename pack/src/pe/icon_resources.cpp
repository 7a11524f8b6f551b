#include "pe/icon_resources.h"

#include <set>

namespace qxpack {

namespace {

constexpr size_t kIcoHeaderSize = 6;
constexpr size_t kIcoEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr uint16_t kLanguageEnglishUs = 0x0409;

// Ids the group in `data` names.
std::vector<uint16_t> groupMembers(const Bytes& data) {
    std::vector<uint16_t> ids;
    try {
        const ByteReader in(data);
        const uint16_t count = in.u16(4);
        for (uint16_t i = 0; i < count; ++i) ids.push_back(in.u16(kIcoHeaderSize + kGroupEntrySize * i + 12));
    } catch (const OutOfBounds&) {
        // A damaged group frees what it named so far; the rest stays.
    }
    return ids;
}

}  // namespace

bool parseIcoFile(const Bytes& file, std::vector<IconImage>& images, std::string& error) {
    images.clear();
    try {
        const ByteReader in(file);
        if (in.u16(0) != 0 || in.u16(2) != 1) {
            error = "not an icon file: the header is not that of an .ico";
            return false;
        }
        const uint16_t count = in.u16(4);
        if (count == 0) {
            error = "the icon file holds no images";
            return false;
        }
        for (uint16_t i = 0; i < count; ++i) {
            const size_t e = kIcoHeaderSize + kIcoEntrySize * i;
            IconImage image;
            image.width = in.u8(e);
            image.height = in.u8(e + 1);
            image.colorCount = in.u8(e + 2);
            image.planes = in.u16(e + 4);
            image.bitCount = in.u16(e + 6);
            const uint32_t size = in.u32(e + 8);
            const uint32_t offset = in.u32(e + 12);
            if (size == 0) {
                error = "the icon file has an empty image (entry " + std::to_string(i + 1) + ")";
                return false;
            }
            image.data = in.slice(offset, size);
            images.push_back(std::move(image));
        }
        return true;
    } catch (const OutOfBounds&) {
        error = "truncated icon file: an image or its directory entry ends past the end of the file";
        images.clear();
        return false;
    }
}

void replaceIconGroup(ResourceTable& table, const ResourceId& groupName,
                      const std::vector<IconImage>& images) {
    uint16_t language = kLanguageEnglishUs;
    if (const Resource* old = findResource(table, kTypeGroupIcon, groupName)) {
        language = old->language;
        for (uint16_t id : groupMembers(old->data)) {
            bool sharedWithAnotherGroup = false;
            for (const Resource& r : table) {
                if (r.type == ResourceId::number(kTypeGroupIcon) && r.name != groupName) {
                    for (uint16_t other : groupMembers(r.data)) sharedWithAnotherGroup |= other == id;
                }
            }
            if (!sharedWithAnotherGroup) removeResources(table, kTypeIcon, ResourceId::number(id));
        }
    }
    std::set<uint16_t> used;
    for (const Resource& r : table) {
        if (r.type == ResourceId::number(kTypeIcon) && !r.name.named) used.insert(r.name.id);
    }

    Resource group;
    group.type = ResourceId::number(kTypeGroupIcon);
    group.name = groupName;
    group.language = language;
    appendU16(group.data, 0);
    appendU16(group.data, 1);
    appendU16(group.data, static_cast<uint16_t>(images.size()));
    uint16_t next = 1;
    for (const IconImage& image : images) {
        while (used.count(next) != 0) ++next;
        used.insert(next);
        Resource icon;
        icon.type = ResourceId::number(kTypeIcon);
        icon.name = ResourceId::number(next);
        icon.language = language;
        icon.data = image.data;
        table.push_back(icon);

        group.data.push_back(image.width);
        group.data.push_back(image.height);
        group.data.push_back(image.colorCount);
        group.data.push_back(0);
        appendU16(group.data, image.planes);
        appendU16(group.data, image.bitCount);
        appendU32(group.data, static_cast<uint32_t>(image.data.size()));
        appendU16(group.data, next);
    }
    putResource(table, std::move(group));
    sortResources(table);
}

bool iconGroupSizes(const Bytes& group, std::vector<IconSize>& sizes) {
    sizes.clear();
    try {
        const ByteReader in(group);
        const uint16_t count = in.u16(4);
        for (uint16_t i = 0; i < count; ++i) {
            const size_t e = kIcoHeaderSize + kGroupEntrySize * i;
            IconSize size;
            size.width = in.u8(e) == 0 ? 256 : in.u8(e);
            size.height = in.u8(e + 1) == 0 ? 256 : in.u8(e + 1);
            size.bitCount = in.u16(e + 6);
            sizes.push_back(size);
        }
        return true;
    } catch (const OutOfBounds&) {
        return false;
    }
}

}  // namespace qxpack
