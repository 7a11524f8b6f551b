// Whole-file reads and all-or-nothing writes.
#pragma once

#include <string>

#include "byte_io.h"

namespace qxpack {

bool readFile(const std::string& path, Bytes& content, std::string& error);

// Writes a sibling temporary file and renames it over `path`, so readers never see half a file and a
// failure leaves no file behind.
bool writeFileAtomically(const std::string& path, const Bytes& content, std::string& error);

}  // namespace qxpack
