// A file association in the properties form that Java developers know from the JDK's packager:
// "extension", "description", "mime-type" and "icon".
#pragma once

#include <string>
#include <vector>

#include "installer/wix_source.h"

namespace qxpack {

// Reads the association file at `path`. The description defaults to `defaultDescription`; a relative
// icon path is taken from the current folder, as every path of the packager's command line. What the
// installer cannot honour (an icon that is no .ico file, a MIME type that is no type/subtype, keys it
// does not know) goes to `warnings` and is left out. False with `error` set when the file cannot be read
// or names no usable extension.
bool readFileAssociation(const std::string& path, const std::u16string& defaultDescription, FileType& type,
                         std::vector<std::string>& warnings, std::string& error);

// Whether `extension` (without its dot) can name a file type: letters, digits, "-" and "_", at most 32.
bool isPlainExtension(const std::u16string& extension);

}  // namespace qxpack
