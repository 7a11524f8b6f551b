// The resources of an executable as a flat, ordered table, and the resource directory tree
// (type / name / language) that the loader searches, in both directions.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/byte_io.h"

namespace qxpack {

constexpr uint16_t kTypeIcon = 3;
constexpr uint16_t kTypeRcData = 10;
constexpr uint16_t kTypeGroupIcon = 14;
constexpr uint16_t kTypeVersion = 16;
constexpr uint16_t kTypeManifest = 24;

struct ResourceId {
    bool named = false;
    uint16_t id = 0;
    std::u16string name;

    static ResourceId number(uint16_t id) { return ResourceId{false, id, {}}; }
    bool operator==(const ResourceId& o) const { return named == o.named && id == o.id && name == o.name; }
    bool operator!=(const ResourceId& o) const { return !(*this == o); }
    // Directory order: named entries first, by name; then numbered ones, ascending.
    bool operator<(const ResourceId& o) const;
};

struct Resource {
    ResourceId type;
    ResourceId name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    Bytes data;

    bool operator==(const Resource& o) const {
        return type == o.type && name == o.name && language == o.language && codePage == o.codePage &&
               data == o.data;
    }
};

using ResourceTable = std::vector<Resource>;

// For test failure messages: "type/name/language (size bytes)".
std::string describe(const Resource& resource);
inline void PrintTo(const Resource& resource, std::ostream* out) { *out << describe(resource); }

// Reads `size` bytes of the image at an RVA; false when they are not there.
using RvaReader = std::function<bool(uint32_t rva, uint32_t size, Bytes& out)>;

// Walks the directory tree that starts at `rootRva`. Fails on loops, depth other than three and data
// outside the image, with `error` naming the problem.
bool parseResourceDirectory(const RvaReader& read, uint32_t rootRva, ResourceTable& table,
                            std::string& error);

// The section bytes of a directory tree for `table` placed at `sectionRva`, in the canonical order.
// Equal tables give equal bytes, whatever order their entries came in.
Bytes buildResourceSection(const ResourceTable& table, uint32_t sectionRva);

void sortResources(ResourceTable& table);
const Resource* findResource(const ResourceTable& table, uint16_t type, const ResourceId& name);
// Replaces every language of (type, name) by one entry.
void putResource(ResourceTable& table, Resource resource);
void removeResources(ResourceTable& table, uint16_t type, const ResourceId& name);

}  // namespace qxpack
