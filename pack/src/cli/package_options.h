// The command line of `qxpack package`: the JDK packager's options, as its documentation lists them, for
// the packages qxpack makes; the options of theirs it does not take are refused by name.
#pragma once

#include <string>
#include <vector>

namespace qxpack {

struct PackageOptions {
    std::string type = "msi";  // "msi" or "app-image"
    std::string input;
    std::string mainJar;    // relative to the input folder
    std::string mainClass;  // empty: the main jar's Main-Class
    std::string name;       // empty: the main class's simple name
    std::string appVersion = "1.0";
    std::string vendor = "Unknown";
    std::string description;  // empty: the name
    std::string copyright;
    std::string icon;
    std::vector<std::string> javaOptions;
    std::vector<std::string> arguments;
    std::string runtimeImage;
    std::vector<std::string> fileAssociations;
    bool winMenu = false;
    std::string winMenuGroup;
    bool winShortcut = false;
    bool winPerUserInstall = false;
    std::string winUpgradeUuid;
    bool winConsole = false;
    std::string dest = ".";
    std::string temp;  // kept staging folder; empty: a temporary one
    bool verbose = false;
    bool help = false;
    std::string launcherDir;  // qxpack's own: where qxlaunch.exe and qxlaunchw.exe are; empty: beside qxpack
};

// Fills `options` from the arguments after "package". False with `error` set on an option that is
// unknown, refused (naming it and why), given twice or without its value, a stray argument, a --type we
// do not make, a missing --input or --main-jar, or an installer's option given for an app image.
bool parsePackageOptions(const std::vector<std::string>& args, PackageOptions& options, std::string& error);

const char* packageUsageText();

}  // namespace qxpack
