#include "installer/msi_build.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "config/settings_keys.h"
#include "core/file_io.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "installer/file_association.h"
#include "installer/install_files.h"
#include "installer/product_identity.h"
#include "installer/tool_process.h"
#include "installer/wix_source.h"
#include "pe/pe_image.h"
#include "settings/ini_edit.h"

namespace qxpack {

namespace {

namespace fs = std::filesystem;

constexpr char kInstallHint[] =
    "qxpack msi builds the installer with msitools' wixl and msibuild; install them "
    "(Debian, Ubuntu: apt-get install wixl msitools; macOS: brew install msitools)";

bool parseFileType(const std::string& option, FileType& type, std::string& error) {
    const size_t colon = option.find(':');
    std::string extension = option.substr(0, colon);
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    if (colon == std::string::npos || !isPlainExtension(fromUtf8(extension)) ||
        trimmed(fromUtf8(option.substr(colon + 1))).empty()) {
        error = "--file-type \"" + option +
                "\": write EXT:DESCRIPTION, the extension in letters, digits, - and _ (such as mydoc:My "
                "document)";
        return false;
    }
    type.extension = fromUtf8(extension);
    type.description = fromUtf8(option.substr(colon + 1));
    return true;
}

// The account as the control manager takes it. A virtual account belongs to its own service; accounts
// that need a password would have to travel in the package, so none is taken.
bool parseServiceAccount(const std::string& option, const std::u16string& serviceName,
                         std::u16string& account, std::string& error) {
    const std::u16string given = fromUtf8(option);
    const std::u16string virtualPrefix = u"NT SERVICE\\";
    const struct {
        const char16_t* spelling;
        const char16_t* account;
    } kBuiltIn[] = {{u"LocalSystem", u"LocalSystem"},
                    {u"LocalService", u"NT AUTHORITY\\LocalService"},
                    {u"NT AUTHORITY\\LocalService", u"NT AUTHORITY\\LocalService"},
                    {u"NetworkService", u"NT AUTHORITY\\NetworkService"},
                    {u"NT AUTHORITY\\NetworkService", u"NT AUTHORITY\\NetworkService"}};
    for (const auto& builtIn : kBuiltIn) {
        if (sameIgnoringCase(given, builtIn.spelling)) {
            account = builtIn.account;
            return true;
        }
    }
    if (given.size() > virtualPrefix.size() &&
        sameIgnoringCase(given.substr(0, virtualPrefix.size()), virtualPrefix) &&
        sameIgnoringCase(given.substr(virtualPrefix.size()), serviceName)) {
        account = virtualPrefix + serviceName;
        return true;
    }
    error = "--service-account \"" + option +
            "\": write LocalSystem, LocalService, NetworkService or NT SERVICE\\" + toUtf8(serviceName) +
            " (the service's own virtual account); accounts with a password are not taken";
    return false;
}

bool parseService(const MsiRequest& request, const ProductIdentity& identity, ServiceSpec& service,
                  std::string& error) {
    const size_t colon = request.service.find(':');
    service.name = fromUtf8(request.service.substr(0, colon));
    service.displayName =
        colon == std::string::npos ? identity.name : fromUtf8(request.service.substr(colon + 1));
    service.description = fromUtf8(request.serviceDescription);
    service.autoStart = request.serviceStart == "auto";
    bool plain = !service.name.empty() && service.name.size() <= 256;
    for (char16_t c : service.name) plain = plain && c >= 0x20 && c != u'/' && c != u'\\';
    if (!plain || trimmed(service.displayName).empty()) {
        error = "--service \"" + request.service +
                "\": write NAME[:DISPLAY NAME], the name without slashes or backslashes";
        return false;
    }
    if (request.perUser) {
        error = "--service and --per-user exclude each other: a service is installed for the whole machine";
        return false;
    }
    const char* shortcutOption = request.desktopShortcut             ? "--desktop-shortcut"
                                 : !request.menuGroup.empty()        ? "--menu-group"
                                 : !request.fileTypes.empty()        ? "--file-type"
                                 : !request.fileAssociations.empty() ? "--file-associations"
                                                                     : nullptr;
    if (shortcutOption) {
        error = std::string(shortcutOption) +
                " cannot go with --service: only the control manager starts a service, and its executable "
                "started any other way ends at once (error 1063)";
        return false;
    }
    if (!request.serviceAccount.empty() &&
        !parseServiceAccount(request.serviceAccount, service.name, service.account, error))
        return false;
    if (identity.applicationType != u"service") {
        error =
            "--service: the package's settings do not make it a service; set \"Application Type=service\" "
            "in section [Application] (qxpack build --ini or --embed)";
        return false;
    }
    return true;
}

std::optional<Bytes> siblingSettings(const fs::path& executable) {
    fs::path ini = executable;
    ini.replace_extension(".ini");
    Bytes bytes;
    std::string ignored;
    if (!fs::is_regular_file(ini) || !readFile(ini.u8string(), bytes, ignored)) return std::nullopt;
    return bytes;
}

// The splash image that `qxpack build --splash` put beside the executable and named in its settings
// installs with it, or the installed application would start without its splash. An image named by a
// path or a variable is the packager's to --add.
std::optional<std::string> splashImageBeside(const fs::path& executable, const std::u16string& name) {
    if (name.empty() || name.find_first_of(u"\\/:%") != std::u16string::npos) return std::nullopt;
    const fs::path image = executable.parent_path() / fs::u8path(toUtf8(name));
    if (!fs::is_regular_file(image)) return std::nullopt;
    return image.u8string();
}

bool checkOptions(const MsiRequest& request, std::string& error) {
    if (!request.productCode.empty() && !isBracedGuid(request.productCode)) {
        error = "--product-code \"" + request.productCode + "\" is not a GUID in braces";
        return false;
    }
    if (!request.upgradeCode.empty() && !isBracedGuid(request.upgradeCode)) {
        error = "--upgrade-code \"" + request.upgradeCode + "\" is not a GUID in braces";
        return false;
    }
    if (request.serviceStart != "" && request.serviceStart != "demand" && request.serviceStart != "auto") {
        error = "--service-start takes demand or auto, not \"" + request.serviceStart + "\"";
        return false;
    }
    for (const auto& [given, option] :
         {std::pair{!request.serviceStart.empty(), "--service-start"},
          std::pair{!request.serviceAccount.empty(), "--service-account"},
          std::pair{!request.serviceDescription.empty(), "--service-description"}}) {
        if (given && request.service.empty()) {
            error = std::string(option) + " needs --service";
            return false;
        }
    }
    if (!request.menuGroup.empty()) {
        if (request.noStartMenu) {
            error = "--menu-group and --no-start-menu exclude each other";
            return false;
        }
        if (const std::string problem = fileNameProblem(fromUtf8(request.menuGroup)); !problem.empty()) {
            error = "--menu-group \"" + request.menuGroup + "\" cannot name a Start menu folder: " + problem;
            return false;
        }
    }
    return true;
}

// Each added file goes in once: a file an association or the settings name may have been added by hand.
void addOnce(MsiRequest& request, const std::string& path) {
    const std::u16string name = fromUtf8(fs::u8path(path).filename().u8string());
    for (const std::string& added : request.added) {
        if (sameIgnoringCase(fromUtf8(fs::u8path(added).filename().u8string()), name)) return;
    }
    request.added.push_back(path);
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// Runs one of the builder's programs; its own words become the error when it fails.
bool runBuilder(const std::string& program, const std::vector<std::string>& arguments, const fs::path& log,
                std::string& error) {
    int exitCode = 0;
    if (!runProgram(program, arguments, log.u8string(), exitCode, error)) return false;
    Bytes output;
    std::string ignored;
    readFile(log.u8string(), output, ignored);
    removeQuietly(log);
    if (exitCode == 0) return true;
    error = fs::u8path(program).filename().u8string() + " failed (exit code " + std::to_string(exitCode) +
            "): " + std::string(output.begin(), output.end());
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) error.pop_back();
    return false;
}

// What wixl leaves out, set in the built package. wixl leaves every file's version empty, and Windows
// Installer keeps an installed versioned file over an unversioned one; with any real version it keeps
// one whose version is not older, so a rebuild under the same version would keep the old executable
// and its jar. Every file but the settings file gets the highest version and is always laid down.
std::vector<std::string> afterWixl(const fs::path& msi, const InstallerSpec& spec) {
    std::vector<std::string> arguments = {msi.u8string(), "-q",
                                          std::string("UPDATE `File` SET `Version` = '") +
                                              kAlwaysNewerVersion + "' WHERE `File` <> '" +
                                              kSettingsComponent + "'"};
    if (spec.settings) {
        arguments.insert(arguments.end(), {"-q", "UPDATE `Component` SET `Attributes` = " +
                                                     std::to_string(kSettingsComponentAttributes) +
                                                     " WHERE `Component` = '" + kSettingsComponent + "'"});
    }
    return arguments;
}

}  // namespace

bool buildMsi(const MsiRequest& request, MsiSummary& summary, std::string& error) {
    if (!checkOptions(request, error)) return false;
    const fs::path exe = fs::u8path(request.executable);
    Bytes executable;
    if (!readFile(request.executable, executable, error)) return false;
    const std::optional<Bytes> settings = siblingSettings(exe);

    InstallerSpec spec;
    if (!readProductIdentity(executable, settings, request.upgradeCode, spec.identity, error)) {
        error = request.executable + ": " + error;
        return false;
    }
    spec.productCode = request.productCode;
    for (char& c : spec.productCode) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    spec.perUser = request.perUser;
    spec.desktopShortcut = request.desktopShortcut;
    // A service's executable started from a shortcut would end at once: only the control manager can
    // start it.
    spec.startMenuShortcut = !request.noStartMenu && request.service.empty();
    spec.menuFolder = fromUtf8(request.menuGroup);
    MsiRequest withFiles = request;
    for (const std::string& option : request.fileTypes) {
        FileType type;
        if (!parseFileType(option, type, error)) return false;
        spec.fileTypes.push_back(type);
    }
    for (const std::string& path : request.fileAssociations) {
        FileType type;
        if (!readFileAssociation(path, spec.identity.name + u" file", type, summary.warnings, error))
            return false;
        if (!type.iconPath.empty()) addOnce(withFiles, type.iconPath);
        spec.fileTypes.push_back(type);
    }
    if (!request.service.empty()) {
        spec.service = ServiceSpec{};
        if (!parseService(request, spec.identity, *spec.service, error)) return false;
    }

    const fs::path output = fs::u8path(request.output);
    const fs::path wxsPath = request.wxs.empty() ? fs::path(output) += ".wxs" : fs::u8path(request.wxs);
    const fs::path wxsFolder = wxsPath.parent_path().empty() ? fs::path(".") : wxsPath.parent_path();
    if (settings) {
        fs::path ini = exe;
        ini.replace_extension(".ini");
        spec.settings = SourceFile{sourceName(ini), nameOf(ini)};
    }
    if (const std::optional<std::string> splash = splashImageBeside(exe, spec.identity.splashImage))
        addOnce(withFiles, *splash);
    size_t files = 0;
    if (!collectFiles(withFiles, spec, files, error)) return false;

    const std::string wixl = findProgram("wixl");
    const std::string msibuild = findProgram("msibuild");
    if (wixl.empty() || msibuild.empty()) {
        error = std::string(wixl.empty() ? "wixl" : "msibuild") + " is not on PATH: " + kInstallHint;
        return false;
    }

    const fs::path temporaryWxs = fs::path(wxsPath) += ".qxpack-tmp";
    const fs::path temporaryMsi = fs::path(output) += ".qxpack-tmp";
    const fs::path log = fs::path(output) += ".qxpack-log";
    const std::string source = wixSource(spec);
    bool built =
        createParentFolder(temporaryWxs.u8string(), error) &&
        createParentFolder(temporaryMsi.u8string(), error) &&
        writeFilesAtomically({{temporaryWxs.u8string(), Bytes(source.begin(), source.end())}}, error) &&
        runBuilder(wixl, {"-a", "x64", "-o", temporaryMsi.u8string(), temporaryWxs.u8string()}, log, error);
    if (built) built = runBuilder(msibuild, afterWixl(temporaryMsi, spec), log, error);
    if (built && spec.identity.machine == kMachineArm64) {
        // wixl 0.101 builds no ARM64 package ("-a arm64" is refused, Package/@Platform ignored). The
        // tables of an x64 one are those of an ARM64 one (64-bit components, ProgramFiles64Folder), so
        // only the platform in the summary's template changes; the subject and author stay as wixl set them.
        built = runBuilder(msibuild,
                           {temporaryMsi.u8string(), "-s", toUtf8(spec.identity.name),
                            toUtf8(spec.identity.manufacturer), "Arm64;1033"},
                           log, error);
    }
    Bytes msi;
    built = built && readFile(temporaryMsi.u8string(), msi, error);
    removeQuietly(temporaryWxs);
    removeQuietly(temporaryMsi);
    if (!built) return false;
    std::vector<std::pair<std::string, Bytes>> outputs = {{request.output, std::move(msi)}};
    if (!request.wxs.empty()) {
        InstallerSpec kept = spec;
        makeSourcesRelative(kept, wxsFolder);
        const std::string keptSource = wixSource(kept);
        outputs.emplace_back(request.wxs, Bytes(keptSource.begin(), keptSource.end()));
    }
    if (!writeFilesAtomically(outputs, error)) return false;
    summary.productName = spec.identity.name;
    summary.version = spec.identity.version;
    summary.files = files;
    return true;
}

}  // namespace qxpack
