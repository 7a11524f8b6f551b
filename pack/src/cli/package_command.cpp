// `qxpack package`: the JDK packager's command line, answered with what `build` and `msi` make.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/package_options.h"
#include "core/file_io.h"
#include "core/self_path.h"
#include "core/text_codec.h"
#include "installer/file_association.h"
#include "installer/install_files.h"
#include "installer/msi_build.h"
#include "installer/product_identity.h"
#include "installer/tool_process.h"
#include "package/app_image.h"
#include "package/launcher_location.h"
#include "pe/icon_resources.h"
#include "pe/pe_image.h"
#include "pe/version_resource.h"
#include "settings/launch_arguments.h"
#include "settings/settings_cipher.h"

namespace qxpack {

namespace {

namespace fs = std::filesystem;

int usageError(const std::string& message) {
    std::fprintf(stderr, "qxpack: error: %s\n", message.c_str());
    return kExitUsage;
}

void warn(const std::string& message) { std::fprintf(stderr, "qxpack: warning: %s\n", message.c_str()); }

// Every value of a repeatable option cut into the pieces it stands for, in order.
bool launchPieces(const std::vector<std::string>& values, const std::string& option,
                  std::vector<LaunchPiece>& pieces, std::string& error) {
    for (const std::string& value : values) {
        if (!splitLaunchValue(fromUtf8(value), pieces, error)) {
            error = option + ": " + error;
            return false;
        }
    }
    for (const std::string& warning : launchValueWarnings(option, pieces)) warn(warning);
    return true;
}

// "{GUID}" in upper case from a UUID written with or without braces; empty when it is none.
std::string bracedUuid(std::string text) {
    if (text.size() == 36) text = "{" + text + "}";
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return isBracedGuid(text) ? text : std::string();
}

bool isInside(const fs::path& path, const fs::path& folder) {
    std::error_code failure;
    const std::string inner = fs::weakly_canonical(path, failure).generic_u8string() + "/";
    const std::string outer = fs::weakly_canonical(folder, failure).generic_u8string() + "/";
    return !failure && inner.rfind(outer, 0) == 0;
}

// A folder made for this run, removed with everything in it unless the run keeps it.
class Scratch {
public:
    explicit Scratch(fs::path folder) : folder_(std::move(folder)) {}
    ~Scratch() {
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }
    const fs::path& path() const { return folder_; }
    void keep() { folder_.clear(); }

private:
    fs::path folder_;
};

bool checkInstallerInputs(const PackageOptions& options, const AppImage& image, std::string& error) {
    VersionNumbers numbers{};
    std::string version;
    if (!parseVersionNumbers(options.appVersion, numbers) || !installerVersion(numbers, version, error)) {
        error = "--app-version: " + error;
        return false;
    }
    if (const std::string problem = fileNameProblem(fromUtf8(image.name)); !problem.empty()) {
        error = "--name \"" + image.name + "\" cannot name the install folder: " + problem;
        return false;
    }
    if (const std::string problem = fileNameProblem(fromUtf8(options.winMenuGroup));
        !options.winMenuGroup.empty() && !problem.empty()) {
        error =
            "--win-menu-group \"" + options.winMenuGroup + "\" cannot name a Start menu folder: " + problem;
        return false;
    }
    for (const std::string& path : options.fileAssociations) {
        FileType type;
        std::vector<std::string> reportedByMsi;
        if (!readFileAssociation(path, fromUtf8(image.name) + u" file", type, reportedByMsi, error))
            return false;
    }
    for (const char* program : {"wixl", "msibuild"}) {
        if (findProgram(program).empty()) {
            error =
                std::string(program) +
                " is not on PATH: the installer is built with msitools' wixl and msibuild (Debian, Ubuntu: "
                "apt-get install wixl msitools; macOS: brew install msitools), or make --type app-image";
            return false;
        }
    }
    return true;
}

int makeAppImage(const PackageOptions& options, const AppImage& image) {
    const fs::path dest = fs::u8path(options.dest);
    const fs::path target = dest / fs::u8path(image.name);
    std::error_code failure;
    if (fs::exists(target, failure))
        return fail(target.u8string() + " exists already; remove it, or give another --dest");
    const bool destExisted = fs::is_directory(dest, failure);
    Scratch stage(dest / fs::u8path("." + image.name + ".qxpack-tmp"));
    fs::remove_all(stage.path(), failure);
    std::string error;
    if (!writeAppImage(image, options.input, options.runtimeImage, stage.path().u8string(), error)) {
        if (!destExisted) fs::remove_all(dest, failure);
        return fail(error);
    }
    fs::rename(stage.path(), target, failure);
    if (failure) return fail("cannot rename " + stage.path().u8string() + " to " + target.u8string());
    stage.keep();
    std::printf("%s: %s.exe, %zu files under app%s\n", target.u8string().c_str(), image.name.c_str(),
                image.appFiles.size(), options.runtimeImage.empty() ? "" : ", the runtime as jre64");
    return 0;
}

int makeMsi(const PackageOptions& options, const AppImage& image) {
    std::error_code failure;
    fs::path scratch;
    if (!options.temp.empty()) {
        scratch = fs::u8path(options.temp);
        if (fs::exists(scratch, failure) && !fs::is_empty(scratch, failure))
            return fail("--temp " + options.temp + " is not empty; give a new or empty folder");
    } else {
        scratch = fs::temp_directory_path(failure) / ("qxpack-" + randomPassPhrase());
    }
    Scratch stage(scratch);
    if (!options.temp.empty()) stage.keep();
    const fs::path folder = scratch / fs::u8path(image.name);
    std::string error;
    if (!writeAppImage(image, options.input, "", folder.u8string(), error)) return fail(error);

    MsiRequest request;
    request.executable = (folder / fs::u8path(image.name + ".exe")).u8string();
    request.output =
        (fs::u8path(options.dest) / fs::u8path(image.name + "-" + options.appVersion + ".msi")).u8string();
    if (!options.temp.empty()) request.wxs = (scratch / fs::u8path(image.name + ".wxs")).u8string();
    request.perUser = options.winPerUserInstall;
    request.desktopShortcut = options.winShortcut;
    request.noStartMenu = !options.winMenu;
    request.menuGroup = options.winMenuGroup;
    request.added = {(folder / kAppFolderName).u8string()};
    request.runtime = options.runtimeImage;
    request.fileAssociations = options.fileAssociations;
    MsiSummary summary;
    const bool built = buildMsi(request, summary, error);
    for (const std::string& warning : summary.warnings) warn(warning);
    if (!built) return fail(error);
    std::printf("%s: %s %s, %zu files\n", request.output.c_str(), toUtf8(summary.productName).c_str(),
                summary.version.c_str(), summary.files);
    return 0;
}

}  // namespace

int runPackage(const std::vector<std::string>& args) {
    PackageOptions options;
    std::string error;
    if (!parsePackageOptions(args, options, error)) return usageError(error);
    if (options.help) {
        std::fputs(packageUsageText(), stdout);
        return 0;
    }
    AppImageRequest request;
    std::vector<LaunchPiece> javaOptions;
    std::vector<LaunchPiece> arguments;
    if (!launchPieces(options.javaOptions, "--java-options", javaOptions, error) ||
        !launchPieces(options.arguments, "--arguments", arguments, error)) {
        return usageError(error);
    }
    if (!vmParametersValue(javaOptions, request.vmParameters, error))
        return usageError("--java-options: " + error);
    if (!cmdValue(arguments, request.cmd, error)) return usageError("--arguments: " + error);
    if (!options.winUpgradeUuid.empty()) {
        request.upgradeCode = bracedUuid(options.winUpgradeUuid);
        if (request.upgradeCode.empty())
            return usageError("--win-upgrade-uuid \"" + options.winUpgradeUuid + "\" is not a UUID");
    }
    if (isInside(fs::u8path(options.dest), fs::u8path(options.input)))
        return usageError("--dest " + options.dest +
                          " lies inside --input, so the package would hold itself");

    const std::vector<std::string> launcherDirs = options.launcherDir.empty()
                                                      ? launcherFolders(selfPath())
                                                      : std::vector<std::string>{options.launcherDir};
    const std::string launcherName = options.winConsole ? "qxlaunch.exe" : "qxlaunchw.exe";
    std::string searched;
    bool found = false;
    for (const std::string& folder : launcherDirs) {
        found = found || readFile((fs::u8path(folder) / launcherName).u8string(), request.launcher, error);
        if (!found) searched += (searched.empty() ? "" : ", ") + folder;
    }
    if (!found) {
        return fail("no " + launcherName + " in " + searched +
                    "; name the folder that holds qxlaunch.exe and qxlaunchw.exe with --launcher-dir");
    }
    if (!options.icon.empty()) {
        Bytes icon;
        std::vector<IconImage> images;
        if (!readFile(options.icon, icon, error)) return fail("--icon: " + error);
        if (!parseIcoFile(icon, images, error))
            return fail("--icon " + options.icon + ": " + error + "; give a Windows .ico file");
        request.icon = std::move(icon);
    }
    if (!options.runtimeImage.empty()) {
        if (!fs::is_directory(fs::u8path(options.runtimeImage)))
            return fail("--runtime-image " + options.runtimeImage + ": no such folder");
        if (!checkRuntimeLibrary(fs::u8path(options.runtimeImage), kMachineAmd64, error))
            return fail("--runtime-image: " + error);
    }
    request.input = options.input;
    request.mainJar = options.mainJar;
    request.mainClass = options.mainClass;
    request.name = options.name;
    request.version = options.appVersion;
    request.vendor = options.vendor;
    request.description = options.description;
    request.copyright = options.copyright;
    request.passPhrase = randomPassPhrase();

    AppImage image;
    std::vector<std::string> warnings;
    if (!planAppImage(request, image, warnings, error)) return fail(error);
    for (const std::string& warning : warnings) warn(warning);
    if (options.type == "msi" && !checkInstallerInputs(options, image, error)) return fail(error);
    if (options.verbose) {
        std::u16string text = image.embeddedText;
        text.erase(std::remove(text.begin(), text.end(), u'\r'), text.end());
        std::printf("embedded settings of %s.exe:\n%s\n", image.name.c_str(), toUtf8(text).c_str());
    }

    const int result = options.type == "msi" ? makeMsi(options, image) : makeAppImage(options, image);
    if (result == 0 && image.upgradeCodeMade) {
        std::printf("Upgrade Code %s, made from --vendor \"%s\" and --name \"%s\".\n",
                    image.upgradeCode.c_str(), options.vendor.c_str(), image.name.c_str());
        std::printf(
            "Pin it with --win-upgrade-uuid %s: with another vendor or name, a new version would not "
            "replace this one.\n",
            image.upgradeCode.c_str());
    }
    return result;
}

}  // namespace qxpack
