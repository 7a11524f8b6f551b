// What an installer learns from the package that `qxpack build` made: the product's name, maker and
// version from the executable's version resource, its Upgrade Code from the settings file beside it,
// and the rules those must meet to become a Windows Installer package.
#pragma once

#include <optional>
#include <string>

#include "core/byte_io.h"
#include "pe/version_resource.h"
#include "settings/upgrade_code.h"

namespace qxpack {

struct ProductIdentity {
    std::u16string name;          // ProductName: also the install folder's and the shortcuts' name
    std::u16string manufacturer;  // CompanyName
    std::string version;          // "major.minor.build", as Windows Installer compares versions
    std::string upgradeCode;      // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
    // The value the launcher's layered lookup gives "Application Type": "service" runs it as one.
    std::u16string applicationType;
    std::u16string splashImage;  // "Splash Image" as the launcher reads it
    uint16_t machine = 0;        // the executable's: the package's platform and its runtime's machine
};

// Fills `identity` from the executable and its settings file (absent when there is none);
// `upgradeCodeOption` replaces the file's Upgrade Code when not empty. False with `error` set when the
// executable is not an AMD64 or ARM64 package of `qxpack build` or a value cannot go into an installer.
bool readProductIdentity(const Bytes& executable, const std::optional<Bytes>& settingsFile,
                         const std::string& upgradeCodeOption, ProductIdentity& identity, std::string& error);

// Why `name` cannot be a Windows file or folder name; empty when it can.
std::string fileNameProblem(const std::u16string& name);

// The version Windows Installer holds (major and minor up to 255, build up to 65535; a fourth field
// is not compared, so it is left out). False with `error` set when a field is out of range.
bool installerVersion(const VersionNumbers& numbers, std::string& version, std::string& error);

// `text` as a literal in a column of the installer's Formatted type, where [ ] { } would otherwise
// name properties or groups.
std::u16string formattedLiteral(const std::u16string& text);

}  // namespace qxpack
