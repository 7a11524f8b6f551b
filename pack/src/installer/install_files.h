// The files an installer carries: checked, named once each, and located as the builder reads them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "installer/msi_build.h"
#include "installer/wix_source.h"

namespace qxpack {

// The builder gets sources relative to the working folder, the first place where wixl looks for one (it
// takes no absolute path): a source relative to the WiX source's folder would find a file of the same
// name in the working folder first, such as the settings file that `build` read.
std::string sourceName(const std::filesystem::path& file);

// The kept WiX source names its files relative to its own folder, so it builds wherever it is copied
// with them, run from that folder.
void makeSourcesRelative(InstallerSpec& spec, const std::filesystem::path& wxsFolder);

std::u16string nameOf(const std::filesystem::path& path);

// Whether `runtime` holds a jvm.dll (bin\\server or bin\\client) that a launcher of `machine` can load;
// false with `error` set when it does not.
bool checkRuntimeLibrary(const std::filesystem::path& runtime, uint16_t machine, std::string& error);

// Fills the executable, the added files and the runtime folder of `spec` (whose settings file is
// already set) and counts the files. False with `error` set on a missing file, a name given twice or
// a runtime the launcher could not load.
bool collectFiles(const MsiRequest& request, InstallerSpec& spec, size_t& count, std::string& error);

}  // namespace qxpack
