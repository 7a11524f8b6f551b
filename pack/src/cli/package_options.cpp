#include "cli/package_options.h"

#include <algorithm>

namespace qxpack {

namespace {

struct ValueOption {
    const char* name;
    const char* shortName;
    std::string PackageOptions::*value;
};
struct ListOption {
    const char* name;
    std::vector<std::string> PackageOptions::*values;
};
struct FlagOption {
    const char* name;
    const char* shortName;
    bool PackageOptions::*flag;
};

const ValueOption kValues[] = {
    {"type", "t", &PackageOptions::type},
    {"input", "i", &PackageOptions::input},
    {"main-jar", nullptr, &PackageOptions::mainJar},
    {"main-class", nullptr, &PackageOptions::mainClass},
    {"name", "n", &PackageOptions::name},
    {"app-version", nullptr, &PackageOptions::appVersion},
    {"vendor", nullptr, &PackageOptions::vendor},
    {"description", nullptr, &PackageOptions::description},
    {"copyright", nullptr, &PackageOptions::copyright},
    {"icon", nullptr, &PackageOptions::icon},
    {"runtime-image", nullptr, &PackageOptions::runtimeImage},
    {"win-menu-group", nullptr, &PackageOptions::winMenuGroup},
    {"win-upgrade-uuid", nullptr, &PackageOptions::winUpgradeUuid},
    {"dest", "d", &PackageOptions::dest},
    {"temp", nullptr, &PackageOptions::temp},
    {"launcher-dir", nullptr, &PackageOptions::launcherDir},
};
const ListOption kLists[] = {
    {"java-options", &PackageOptions::javaOptions},
    {"arguments", &PackageOptions::arguments},
    {"file-associations", &PackageOptions::fileAssociations},
};
const FlagOption kFlags[] = {
    {"win-menu", nullptr, &PackageOptions::winMenu},
    {"win-shortcut", nullptr, &PackageOptions::winShortcut},
    {"win-per-user-install", nullptr, &PackageOptions::winPerUserInstall},
    {"win-console", nullptr, &PackageOptions::winConsole},
    {"verbose", nullptr, &PackageOptions::verbose},
    {"help", "h", &PackageOptions::help},
};

// The packager's options that qxpack does not take, and what to do instead. A name ending in "-" stands
// for every option that begins with it.
struct RefusedOption {
    const char* name;
    const char* shortName;
    const char* reason;
};
constexpr char kNoDialogs[] = "the installer has no dialogs of its own";
constexpr char kNoLinks[] = "the installer carries no links";
constexpr char kNoJlink[] =
    "qxpack runs no jlink: give a runtime made for Windows with --runtime-image (jlink --output on a Windows "
    "JDK)";
const RefusedOption kRefused[] = {
    {"add-modules", nullptr, kNoJlink},
    {"module-path", "p", kNoJlink},
    {"jlink-options", nullptr, kNoJlink},
    {"module", "m",
     "qxpack starts a main class from jars: give --main-jar, and --main-class unless its manifest "
     "names one"},
    {"app-content", nullptr,
     "put the files into the --input folder: everything in it is installed under app\\"},
    {"add-launcher", nullptr,
     "a package has one launcher: make others with qxpack build and install them with qxpack msi --add"},
    {"app-image", nullptr,
     "qxpack msi --exe DIR\\NAME.exe --add DIR\\app [--runtime DIR\\jre64] makes the installer of an app "
     "image"},
    {"resource-dir", nullptr,
     "qxpack has no templates to override; qxpack msi --wxs keeps the WiX source it writes"},
    {"install-dir", nullptr,
     "the application goes to Program Files (with --win-per-user-install: LocalAppData\\Programs), into a "
     "folder of its name"},
    {"license-file", nullptr, kNoDialogs},
    {"launcher-as-service", nullptr,
     "make a service with qxpack build (Application Type=service in its settings) and qxpack msi --service"},
    {"about-url", nullptr, kNoLinks},
    {"win-help-url", nullptr, kNoLinks},
    {"win-update-url", nullptr, kNoLinks},
    {"win-dir-chooser", nullptr, kNoDialogs},
    {"win-shortcut-prompt", nullptr, kNoDialogs},
    {"win-with-ui", nullptr, kNoDialogs},
    {"version", nullptr,
     "qxpack has no version of its own; qxpack inspect shows the launcher version of a package"},
    {"mac-", nullptr, "it is for macOS packages, and qxpack makes Windows packages"},
    {"linux-", nullptr, "it is for Linux packages, and qxpack makes Windows packages"},
};

// The options an app image cannot honour, since nothing installs it.
struct InstallerOnly {
    const char* name;
    bool given;
};

template <typename Table>
const auto* findOption(const Table& table, const std::string& name, bool isShort) {
    for (const auto& option : table) {
        const char* candidate = isShort ? option.shortName : option.name;
        if (candidate != nullptr && name == candidate) return &option;
    }
    return static_cast<decltype(&table[0])>(nullptr);
}

const ListOption* findList(const std::string& name, bool isShort) {
    if (isShort) return nullptr;
    for (const ListOption& option : kLists) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

const RefusedOption* findRefused(const std::string& name, bool isShort) {
    for (const RefusedOption& option : kRefused) {
        const std::string prefix = option.name;
        if (isShort) {
            if (option.shortName != nullptr && name == option.shortName) return &option;
        } else if (prefix.back() == '-' ? name.rfind(prefix, 0) == 0 : name == prefix) {
            return &option;
        }
    }
    return nullptr;
}

bool checkType(const std::string& type, std::string& error) {
    if (type == "msi" || type == "app-image") return true;
    if (type == "exe") {
        error =
            "--type exe is not made: qxpack makes Windows Installer packages; use --type msi (the default)";
    } else if (type == "rpm" || type == "deb" || type == "pkg" || type == "dmg") {
        error = "--type " + type +
                " is not made: qxpack makes Windows packages, --type msi (the default) or "
                "app-image";
    } else {
        error = "unknown --type \"" + type + "\": msi (the default) or app-image";
    }
    return false;
}

}  // namespace

bool parsePackageOptions(const std::vector<std::string>& args, PackageOptions& options, std::string& error) {
    options = PackageOptions{};
    std::vector<std::string> given;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.empty() && arg[0] == '@') {
            error = "qxpack package does not read options from files (" + arg +
                    "); give them on the command line";
            return false;
        }
        const bool isLong = arg.rfind("--", 0) == 0;
        if (!isLong && (arg.size() < 2 || arg[0] != '-')) {
            error = "unexpected argument \"" + arg + "\": every value follows its option";
            return false;
        }
        std::string name = arg.substr(isLong ? 2 : 1);
        std::string value;
        const size_t equals = isLong ? name.find('=') : std::string::npos;
        const bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const std::string shown = (isLong ? "--" : "-") + name;
        if (const RefusedOption* refused = findRefused(name, !isLong)) {
            error = "qxpack package does not take " + shown + ": " + refused->reason;
            return false;
        }
        if (const FlagOption* flag = findOption(kFlags, name, !isLong)) {
            if (inlineValue) {
                error = "option " + shown + " takes no value";
                return false;
            }
            options.*(flag->flag) = true;
            continue;
        }
        const ValueOption* single = findOption(kValues, name, !isLong);
        const ListOption* list = findList(name, !isLong);
        if (single == nullptr && list == nullptr) {
            error = "unknown option " + shown + " for package (qxpack package --help lists them)";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option " + shown + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (list != nullptr) {
            (options.*(list->values)).push_back(value);
            continue;
        }
        if (std::find(given.begin(), given.end(), single->name) != given.end()) {
            error = "option --" + std::string(single->name) + " given twice";
            return false;
        }
        given.push_back(single->name);
        options.*(single->value) = value;
    }
    if (options.help) return true;
    if (!checkType(options.type, error)) return false;
    if (options.input.empty() || options.mainJar.empty()) {
        error =
            "package needs --input, the folder of the application's jars, and --main-jar, the one with its "
            "main class";
        return false;
    }
    if (!options.winMenuGroup.empty()) options.winMenu = true;
    if (options.type == "app-image") {
        const InstallerOnly installerOnly[] = {{"--win-menu", options.winMenu},
                                               {"--win-shortcut", options.winShortcut},
                                               {"--win-per-user-install", options.winPerUserInstall},
                                               {"--file-associations", !options.fileAssociations.empty()}};
        for (const InstallerOnly& option : installerOnly) {
            if (option.given) {
                error = std::string(option.name) +
                        " is for --type msi: an app image is not installed, so nothing would register it";
                return false;
            }
        }
    }
    return true;
}

const char* packageUsageText() {
    return R"(usage: qxpack package --input DIR --main-jar JAR [options]

One command from a folder of jars to a Windows Installer package (or an app image), with the options
of the JDK's packager. Every file of --input is installed under app\ beside NAME.exe; its jars go on
the class path, the main jar first.

  --type msi|app-image        msi (the default): DEST\NAME-VERSION.msi; app-image: the folder DEST\NAME
  --input DIR  --main-jar JAR --main-class CLASS (default: the main jar's Main-Class)
  --name NAME                 the executable's and the product's name (default: the main class's name)
  --app-version 1.2.3         the file and product version (default 1.0)
  --vendor TEXT  --description TEXT  --copyright TEXT  --icon FILE.ico
  --java-options TEXT         options for the VM (repeatable); quotes keep blanks, $APPDIR is app\
  --arguments TEXT            arguments after the command line's own (repeatable)
  --runtime-image DIR         a 64-bit Java runtime for Windows, installed as jre64 beside NAME.exe
  --file-associations FILE    extension, description, mime-type, icon (repeatable; msi only)
  --win-menu  --win-menu-group NAME  --win-shortcut  --win-per-user-install   (msi only)
  --win-upgrade-uuid UUID     the Upgrade Code (default: one made from vendor and name)
  --win-console               the console launcher (qxlaunch.exe) instead of the windowed one
  --dest DIR                  where the output goes (default: the current folder)
  --temp DIR                  a new or empty folder that keeps the files the package is made of
  --verbose                   prints the settings written
  --launcher-dir DIR          the folder of qxlaunch.exe and qxlaunchw.exe (default: qxpack's own)
)";
}

}  // namespace qxpack
