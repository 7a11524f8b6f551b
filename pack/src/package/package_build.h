// `qxpack build`: a launcher copy made into one application's executable.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/byte_io.h"
#include "pe/pe_image.h"

namespace qxpack {

struct VersionSettings {
    std::string fileVersion;     // "1.2.3.4"; empty keeps the launcher's
    std::string productVersion;  // empty: the file version
    // Version strings by resource name ("CompanyName", ...); empty values are left out.
    std::vector<std::pair<std::string, std::string>> strings;
};

// An image to ship beside the executable, named by "Splash Image" in the settings file.
struct SplashImageFile {
    std::string fileName;  // "splash.png": its name beside the executable
    Bytes bytes;
};

// Everything a package is made of, already in memory, so the assembly has no I/O of its own.
struct PackageInputs {
    Bytes launcher;
    std::string outputFileName;  // "MyApp.exe": the default OriginalFilename and InternalName
    std::optional<Bytes> icon;
    std::optional<Bytes> iniFile;       // written beside the executable
    std::optional<Bytes> embeddedText;  // embedded, enciphered
    std::optional<Bytes> jar;
    std::optional<SplashImageFile> splash;  // the caller writes it beside the executable
    std::string upgradeCode;
    std::string passPhrase;  // for the embedded text; must be given, the caller picks a random one
    VersionSettings version;
    PeAcceptance acceptance;
};

struct PackageOutputs {
    Bytes executable;
    std::optional<Bytes> iniFile;
};

bool assemblePackage(const PackageInputs& inputs, PackageOutputs& outputs, std::string& error);

}  // namespace qxpack
