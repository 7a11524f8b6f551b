// The files an installer carries: checked, named once each, and located as the builder reads them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "installer/msi_build.h"
#include "installer/wix_source.h"

namespace qxpack {

// Sources are named relative to the WiX source's folder, so the kept source builds wherever it is
// copied with the files (wixl resolves them against its own folder, WiX against the working folder).
std::string sourceName(const std::filesystem::path& file, const std::filesystem::path& wxsFolder);

std::u16string nameOf(const std::filesystem::path& path);

// Whether `runtime` holds a 64-bit jvm.dll (bin\\server or bin\\client) the launcher can load; false with
// `error` set when it does not.
bool checkRuntimeLibrary(const std::filesystem::path& runtime, std::string& error);

// Fills the executable, the added files and the runtime folder of `spec` (whose settings file is
// already set) and counts the files. False with `error` set on a missing file, a name given twice or
// a runtime the launcher could not load.
bool collectFiles(const MsiRequest& request, const std::filesystem::path& wxsFolder, InstallerSpec& spec,
                  size_t& count, std::string& error);

}  // namespace qxpack
