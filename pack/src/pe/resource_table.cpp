#include "pe/resource_table.h"

#include <algorithm>
#include <map>

namespace qxpack {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kDirectoryHeaderSize = 16;
constexpr uint32_t kEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;
// Generous bound on directory entries: a corrupt count must not make the walk read megabytes.
constexpr uint32_t kMaxEntries = 65536;

struct Walker {
    const RvaReader& read;
    uint32_t root;
    ResourceTable& table;
    uint32_t visited = 0;

    uint32_t u32(uint32_t offset) {
        Bytes b;
        if (!read(root + offset, 4, b)) throw OutOfBounds("resource directory leaves the image");
        return ByteReader(b).u32(0);
    }
    uint16_t u16(uint32_t offset) {
        Bytes b;
        if (!read(root + offset, 2, b)) throw OutOfBounds("resource directory leaves the image");
        return ByteReader(b).u16(0);
    }

    ResourceId idAt(uint32_t nameField) {
        if ((nameField & kHighBit) == 0) return ResourceId::number(static_cast<uint16_t>(nameField));
        const uint32_t offset = nameField & ~kHighBit;
        const uint16_t length = u16(offset);
        Bytes b;
        if (!read(root + offset + 2, 2u * length, b)) throw OutOfBounds("resource name leaves the image");
        ResourceId id;
        id.named = true;
        for (size_t i = 0; i < length; ++i)
            id.name.push_back(static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
        return id;
    }

    void walk(uint32_t offset, int depth, Resource& path) {
        const uint32_t count = static_cast<uint32_t>(u16(offset + 12)) + u16(offset + 14);
        visited += count;
        if (visited > kMaxEntries) throw OutOfBounds("resource directory has too many entries or a loop");
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t entry = offset + kDirectoryHeaderSize + kEntrySize * i;
            const uint32_t nameField = u32(entry);
            const uint32_t target = u32(entry + 4);
            const ResourceId id = idAt(nameField);
            if (depth == 0) path.type = id;
            if (depth == 1) path.name = id;
            if (depth == 2) path.language = id.id;
            const bool isDirectory = (target & kHighBit) != 0;
            if (isDirectory != (depth < 2)) throw OutOfBounds("resource directory is not three levels deep");
            if (isDirectory) {
                walk(target & ~kHighBit, depth + 1, path);
                continue;
            }
            Bytes entryBytes;
            if (!read(root + target, kDataEntrySize, entryBytes))
                throw OutOfBounds("resource data entry leaves the image");
            const ByteReader e(entryBytes);
            Resource resource = path;
            resource.codePage = e.u32(8);
            if (!read(e.u32(0), e.u32(4), resource.data)) throw OutOfBounds("resource data leaves the image");
            table.push_back(std::move(resource));
        }
    }
};

void appendName(Bytes& out, const std::u16string& name) {
    appendU16(out, static_cast<uint16_t>(name.size()));
    for (char16_t c : name) appendU16(out, c);
}

}  // namespace

bool ResourceId::operator<(const ResourceId& o) const {
    if (named != o.named) return named;
    return named ? name < o.name : id < o.id;
}

bool parseResourceDirectory(const RvaReader& read, uint32_t rootRva, ResourceTable& table,
                            std::string& error) {
    table.clear();
    try {
        Walker walker{read, rootRva, table};
        Resource path;
        walker.walk(0, 0, path);
        return true;
    } catch (const OutOfBounds& e) {
        error = std::string("corrupt resources: ") + e.what();
        return false;
    }
}

void sortResources(ResourceTable& table) {
    std::stable_sort(table.begin(), table.end(), [](const Resource& a, const Resource& b) {
        if (a.type != b.type) return a.type < b.type;
        if (a.name != b.name) return a.name < b.name;
        return a.language < b.language;
    });
}

Bytes buildResourceSection(const ResourceTable& input, uint32_t sectionRva) {
    ResourceTable table = input;
    sortResources(table);

    // type -> name -> language -> index into table
    std::vector<std::pair<ResourceId, std::vector<std::pair<ResourceId, std::vector<size_t>>>>> tree;
    for (size_t i = 0; i < table.size(); ++i) {
        const Resource& r = table[i];
        if (tree.empty() || tree.back().first != r.type) tree.push_back({r.type, {}});
        auto& names = tree.back().second;
        if (names.empty() || names.back().first != r.name) names.push_back({r.name, {}});
        names.back().second.push_back(i);
    }

    const auto directorySize = [](size_t entries) {
        return kDirectoryHeaderSize + kEntrySize * static_cast<uint32_t>(entries);
    };
    uint32_t directoriesEnd = directorySize(tree.size());
    for (const auto& type : tree) directoriesEnd += directorySize(type.second.size());
    for (const auto& type : tree) {
        for (const auto& name : type.second) directoriesEnd += directorySize(name.second.size());
    }
    const uint32_t dataEntriesStart = directoriesEnd;
    const uint32_t stringsStart = dataEntriesStart + kDataEntrySize * static_cast<uint32_t>(table.size());

    Bytes strings;
    std::map<std::u16string, uint32_t> stringOffsets;
    const auto nameField = [&](const ResourceId& id) -> uint32_t {
        if (!id.named) return id.id;
        auto found = stringOffsets.find(id.name);
        if (found == stringOffsets.end()) {
            found =
                stringOffsets.emplace(id.name, stringsStart + static_cast<uint32_t>(strings.size())).first;
            appendName(strings, id.name);
        }
        return kHighBit | found->second;
    };

    Bytes out;
    const auto appendDirectory = [&](const std::vector<ResourceId>& ids,
                                     const std::vector<uint32_t>& targets) {
        appendU32(out, 0);  // characteristics
        appendU32(out, 0);  // time stamp: left zero so equal inputs give equal files
        appendU32(out, 0);  // major and minor version
        const auto named = static_cast<uint16_t>(
            std::count_if(ids.begin(), ids.end(), [](const ResourceId& id) { return id.named; }));
        appendU16(out, named);
        appendU16(out, static_cast<uint16_t>(ids.size() - named));
        for (size_t i = 0; i < ids.size(); ++i) {
            appendU32(out, nameField(ids[i]));
            appendU32(out, targets[i]);
        }
    };

    // Breadth first: root, then every type directory, then every name directory.
    uint32_t next = directorySize(tree.size());
    {
        std::vector<ResourceId> ids;
        std::vector<uint32_t> targets;
        for (const auto& type : tree) {
            ids.push_back(type.first);
            targets.push_back(kHighBit | next);
            next += directorySize(type.second.size());
        }
        appendDirectory(ids, targets);
    }
    for (const auto& type : tree) {
        std::vector<ResourceId> ids;
        std::vector<uint32_t> targets;
        for (const auto& name : type.second) {
            ids.push_back(name.first);
            targets.push_back(kHighBit | next);
            next += directorySize(name.second.size());
        }
        appendDirectory(ids, targets);
    }
    for (const auto& type : tree) {
        for (const auto& name : type.second) {
            std::vector<ResourceId> ids;
            std::vector<uint32_t> targets;
            for (size_t index : name.second) {
                ids.push_back(ResourceId::number(table[index].language));
                targets.push_back(dataEntriesStart + kDataEntrySize * static_cast<uint32_t>(index));
            }
            appendDirectory(ids, targets);
        }
    }

    Bytes blobs;
    const uint32_t blobsStart = alignUp(stringsStart + static_cast<uint32_t>(strings.size()), 8);
    for (const Resource& r : table) {
        appendU32(out, sectionRva + blobsStart + static_cast<uint32_t>(blobs.size()));
        appendU32(out, static_cast<uint32_t>(r.data.size()));
        appendU32(out, r.codePage);
        appendU32(out, 0);
        appendBytes(blobs, r.data);
        padTo(blobs, 8);
    }
    appendBytes(out, strings);
    padTo(out, 8);
    appendBytes(out, blobs);
    return out;
}

const Resource* findResource(const ResourceTable& table, uint16_t type, const ResourceId& name) {
    for (const Resource& r : table) {
        if (r.type == ResourceId::number(type) && r.name == name) return &r;
    }
    return nullptr;
}

void removeResources(ResourceTable& table, uint16_t type, const ResourceId& name) {
    table.erase(std::remove_if(
                    table.begin(), table.end(),
                    [&](const Resource& r) { return r.type == ResourceId::number(type) && r.name == name; }),
                table.end());
}

void putResource(ResourceTable& table, Resource resource) {
    table.erase(
        std::remove_if(table.begin(), table.end(),
                       [&](const Resource& r) { return r.type == resource.type && r.name == resource.name; }),
        table.end());
    table.push_back(std::move(resource));
}

std::string describe(const Resource& r) {
    const auto id = [](const ResourceId& i) {
        return i.named ? "\"" + std::string(i.name.begin(), i.name.end()) + "\"" : std::to_string(i.id);
    };
    return id(r.type) + "/" + id(r.name) + "/" + std::to_string(r.language) + " (" +
           std::to_string(r.data.size()) + " bytes)";
}

}  // namespace qxpack
