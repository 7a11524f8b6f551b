// Icons: an .ico file becomes RT_ICON images plus the RT_GROUP_ICON directory that names them.
#pragma once

#include <string>
#include <vector>

#include "pe/resource_table.h"

namespace qxpack {

struct IconImage {
    uint8_t width = 0;  // 0 stands for 256, as in the file format
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    Bytes data;  // a DIB or a PNG stream, exactly as in the file
};

// False with `error` set when `file` is not an icon file or holds no image.
bool parseIcoFile(const Bytes& file, std::vector<IconImage>& images, std::string& error);

// Replaces the icon group `groupName` (and the images it named) by `images`, as one RT_GROUP_ICON
// under the same name and language and RT_ICON entries under the lowest unused numbers.
void replaceIconGroup(ResourceTable& table, const ResourceId& groupName,
                      const std::vector<IconImage>& images);

struct IconSize {
    unsigned width = 0;
    unsigned height = 0;
    unsigned bitCount = 0;
};

// The sizes a group lists; false when the group does not parse.
bool iconGroupSizes(const Bytes& group, std::vector<IconSize>& sizes);

}  // namespace qxpack
