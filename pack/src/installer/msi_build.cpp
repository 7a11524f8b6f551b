#include "installer/msi_build.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "config/settings_keys.h"
#include "core/file_io.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
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
    bool plain = !extension.empty() && extension.size() <= 32;
    for (char c : extension)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-');
    if (colon == std::string::npos || !plain || trimmed(fromUtf8(option.substr(colon + 1))).empty()) {
        error = "--file-type \"" + option +
                "\": write EXT:DESCRIPTION, the extension in letters, digits, - and _ (such as mydoc:My "
                "document)";
        return false;
    }
    type.extension = fromUtf8(extension);
    type.description = fromUtf8(option.substr(colon + 1));
    return true;
}

bool parseService(const MsiRequest& request, const ProductIdentity& identity, ServiceSpec& service,
                  std::string& error) {
    const size_t colon = request.service.find(':');
    service.name = fromUtf8(request.service.substr(0, colon));
    service.displayName =
        colon == std::string::npos ? identity.name : fromUtf8(request.service.substr(colon + 1));
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
// file installs with it, or the installed application would start without its splash. An image named by
// a path or a variable is the packager's to --add.
std::optional<std::string> splashImageBeside(const fs::path& executable,
                                             const std::optional<Bytes>& settings) {
    if (!settings) return std::nullopt;
    const std::u16string name =
        trimmed(iniValue(decodeTextFile(*settings).text, fromWide(qx::key::kSplashImage.section),
                         fromWide(qx::key::kSplashImage.name), NameMatch::IgnoreCase));
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
    if (!request.serviceStart.empty() && request.service.empty()) {
        error = "--service-start needs --service";
        return false;
    }
    return true;
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
    for (const std::string& option : request.fileTypes) {
        FileType type;
        if (!parseFileType(option, type, error)) return false;
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
        spec.settings = SourceFile{sourceName(ini, wxsFolder), nameOf(ini)};
    }
    MsiRequest withSplash = request;
    if (const std::optional<std::string> splash = splashImageBeside(exe, settings)) {
        const std::string name = fs::u8path(*splash).filename().u8string();
        bool added = false;
        for (const std::string& path : request.added)
            added =
                added || sameIgnoringCase(fromUtf8(fs::u8path(path).filename().u8string()), fromUtf8(name));
        if (!added) withSplash.added.push_back(*splash);
    }
    size_t files = 0;
    if (!collectFiles(withSplash, wxsFolder, spec, files, error)) return false;

    const std::string wixl = findProgram("wixl");
    const std::string msibuild = findProgram("msibuild");
    if (wixl.empty() || msibuild.empty()) {
        error = std::string(wixl.empty() ? "wixl" : "msibuild") + " is not on PATH: " + kInstallHint;
        return false;
    }

    // The builder reads the source from the folder its relative names start from.
    const fs::path temporaryWxs = fs::path(wxsPath) += ".qxpack-tmp";
    const fs::path temporaryMsi = fs::path(output) += ".qxpack-tmp";
    const fs::path log = fs::path(output) += ".qxpack-log";
    const std::string source = wixSource(spec);
    bool built =
        createParentFolder(temporaryWxs.u8string(), error) &&
        createParentFolder(temporaryMsi.u8string(), error) &&
        writeFilesAtomically({{temporaryWxs.u8string(), Bytes(source.begin(), source.end())}}, error) &&
        runBuilder(wixl, {"-a", "x64", "-o", temporaryMsi.u8string(), temporaryWxs.u8string()}, log, error);
    if (built && spec.settings) {
        built = runBuilder(
            msibuild,
            {temporaryMsi.u8string(), "-q",
             "UPDATE `Component` SET `Attributes` = " + std::to_string(kSettingsComponentAttributes) +
                 " WHERE `Component` = '" + kSettingsComponent + "'"},
            log, error);
    }
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
    if (!request.wxs.empty()) outputs.emplace_back(request.wxs, Bytes(source.begin(), source.end()));
    if (!writeFilesAtomically(outputs, error)) return false;
    summary.productName = spec.identity.name;
    summary.version = spec.identity.version;
    summary.files = files;
    return true;
}

}  // namespace qxpack
