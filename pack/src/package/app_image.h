// `qxpack package`: a folder of jars made into the folder the launcher runs an application from:
// NAME.exe with its settings embedded, NAME.ini, the folder app with every file of the input (its jars
// on the class path, the main jar first) and, when given, a runtime as jre64.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "package/package_build.h"

namespace qxpack {

struct AppImageRequest {
    Bytes launcher;
    std::string input;      // the folder whose files go under app
    std::string mainJar;    // relative to `input`
    std::string mainClass;  // empty: the main jar's Main-Class
    std::string name;       // empty: the main class's simple name
    std::string version;
    std::string vendor;
    std::string description;  // empty: the name
    std::string copyright;
    std::optional<Bytes> icon;
    std::u16string vmParameters;  // "Virtual Machine Parameters", as the launcher reads it
    std::u16string cmd;           // "Cmd"
    std::string upgradeCode;      // "{GUID}"; empty: made from vendor and name
    std::string passPhrase;
};

struct AppImage {
    std::string name;
    std::string mainClass;
    std::string upgradeCode;
    bool upgradeCodeMade = false;       // from vendor and name, not given
    std::vector<std::string> appFiles;  // below the input folder, with "/", sorted
    std::u16string embeddedText;        // the settings embedded in the executable
    PackageOutputs package;             // the executable and its settings file
};

// Reads and checks everything the image is made of and makes its executable and settings file in
// memory; writes nothing. What the application may miss at start (a main class in none of the jars)
// goes to `warnings`. False with `error` set on anything that would make a broken package.
bool planAppImage(const AppImageRequest& request, AppImage& image, std::vector<std::string>& warnings,
                  std::string& error);

// Writes `image` into `folder`, which must not exist yet: NAME.exe, NAME.ini, app with the files of
// `input`, and the runtime folder `runtime` as jre64 when it is not empty.
bool writeAppImage(const AppImage& image, const std::string& input, const std::string& runtime,
                   const std::string& folder, std::string& error);

// The Upgrade Code of a product that is given none: a name-based GUID of vendor and name, the same in
// every build.
std::string madeUpgradeCode(const std::string& vendor, const std::string& name);

}  // namespace qxpack
