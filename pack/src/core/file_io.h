// Whole-file reads and all-or-nothing writes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/byte_io.h"

namespace qxpack {

bool readFile(const std::string& path, Bytes& content, std::string& error);

// Creates the folder that is to hold `path` when it does not exist yet, as packaging tools do.
bool createParentFolder(const std::string& path, std::string& error);

// Writes every file to a sibling temporary file first, creating missing folders, and renames them only
// when all are written, so a failed run leaves neither a half-written file nor a package without its
// settings file.
bool writeFilesAtomically(const std::vector<std::pair<std::string, Bytes>>& files, std::string& error);

}  // namespace qxpack
