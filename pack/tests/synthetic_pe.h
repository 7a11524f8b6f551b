// Small but well-formed PE images made in memory, so the PE tests need no toolchain output.
#pragma once

#include <string>

#include "core/byte_io.h"
#include "pe/pe_image.h"
#include "pe/resource_table.h"

namespace qxpack::test {

struct SyntheticOptions {
    uint16_t machine = kMachineAmd64;
    bool resourcesLast = true;     // otherwise a .reloc section follows .rsrc
    uint32_t resourceSlack = 0;    // extra raw bytes reserved after the resources
    bool withSymbols = false;      // a COFF symbol table after the sections, as unstripped images have
    Bytes overlay;                 // data appended after everything
    uint32_t headersSize = 0x400;  // 0x200 leaves no room after three section headers
};

inline SyntheticOptions forMachine(uint16_t machine) {
    SyntheticOptions options;
    options.machine = machine;
    return options;
}

inline constexpr uint32_t kFileAlignment = 0x200;
inline constexpr uint32_t kSectionAlignment = 0x1000;

Bytes syntheticPe(const ResourceTable& resources, const SyntheticOptions& options = {});

// What a freshly built launcher carries: a one-image icon group 1, a version resource and a manifest.
ResourceTable launcherLikeResources();

Bytes sectionBytes(const PeImage& image, const std::string& name);

Resource makeResource(uint16_t type, uint16_t name, uint16_t language, Bytes data);

inline ResourceTable sorted(ResourceTable table) {
    sortResources(table);
    return table;
}

}  // namespace qxpack::test
