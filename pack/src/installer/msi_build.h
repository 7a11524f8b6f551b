// `qxpack msi`: a Windows Installer package made from what `qxpack build` made, through msitools'
// wixl. Everything is checked before anything is written; the package (and the kept WiX source) are
// written whole or not at all.
#pragma once

#include <string>
#include <vector>

namespace qxpack {

struct MsiRequest {
    std::string executable;
    std::string output;
    std::string wxs;          // where to keep the WiX source; empty: not kept
    std::string upgradeCode;  // empty: the settings file's
    std::string productCode;  // empty: a new one for each build
    bool perUser = false;
    bool desktopShortcut = false;
    bool noStartMenu = false;            // no Start menu shortcut
    std::string menuGroup;               // the Start menu folder of the shortcut; empty: the menu's top
    std::vector<std::string> added;      // files and folders beside the executable
    std::string runtime;                 // a Java runtime folder, installed as "jre64"
    std::vector<std::string> fileTypes;  // "EXT:DESCRIPTION"
    std::vector<std::string> fileAssociations;  // properties files: extension, description, mime-type, icon
    std::string service;                        // "NAME[:DISPLAY]"
    std::string serviceStart;                   // "demand" (default) or "auto"
    std::string serviceAccount;  // LocalSystem (default), LocalService, NetworkService, NT SERVICE\NAME
    std::string serviceDescription;
};

struct MsiSummary {
    std::u16string productName;
    std::string version;
    size_t files = 0;
    std::vector<std::string> warnings;  // what a file association asked that the package leaves out
};

bool buildMsi(const MsiRequest& request, MsiSummary& summary, std::string& error);

}  // namespace qxpack
