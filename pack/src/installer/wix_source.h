// The WiX source of the installer: only elements and attributes that msitools' wixl turns into
// tables (checked against the built package's tables by scripts/pack-test), so wixl and WiX build the
// same package. File associations, which wixl drops, are plain registry values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "installer/product_identity.h"

namespace qxpack {

struct SourceFile {
    std::string source;   // the path the builder reads, relative to the WiX source's folder
    std::u16string name;  // the installed file's name
};

struct SourceFolder {
    std::u16string name;
    std::vector<SourceFile> files;
    std::vector<SourceFolder> folders;
};

struct FileType {
    std::u16string extension;  // without the dot
    std::u16string description;
    std::u16string contentType;  // a MIME type; empty: none
    std::string iconPath;        // an .ico file installed beside the executable; empty: the executable's icon
    std::u16string iconName;     // its name there
};

struct ServiceSpec {
    std::u16string name;
    std::u16string displayName;
    std::u16string
        account;  // as the control manager takes it ("NT AUTHORITY\LocalService"); empty: LocalSystem
    std::u16string description;
    bool autoStart = false;
};

struct InstallerSpec {
    ProductIdentity identity;
    std::string productCode;  // empty: the builder makes a new one
    bool perUser = false;
    bool desktopShortcut = false;
    bool startMenuShortcut = true;
    std::u16string menuFolder;  // the Start menu folder of the shortcut; empty: the menu's top
    SourceFile executable;
    std::optional<SourceFile> settings;
    std::vector<SourceFile> added;           // beside the executable
    std::vector<SourceFolder> addedFolders;  // beside the executable, with everything in them
    std::optional<SourceFolder> runtime;     // installed as the private runtime folder "jre64"
    std::vector<FileType> fileTypes;
    std::optional<ServiceSpec> service;
};

// The component that holds the settings file. Marked never to be overwritten, so that a user's
// changes survive an upgrade; wixl drops that mark, so the caller sets it in the built package.
constexpr char kSettingsComponent[] = "SettingsFile";
constexpr int kSettingsComponentAttributes = 256 + 128;  // 64-bit, never overwrite
// The version every other file gets in the built package (wixl leaves it empty), so that an upgrade
// always replaces the installed copy.
constexpr char kAlwaysNewerVersion[] = "65535.65535.65535.65535";

std::string wixSource(const InstallerSpec& spec);

}  // namespace qxpack
