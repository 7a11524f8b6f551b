#include "package/app_image.h"

#include <algorithm>
#include <filesystem>

#include "config/settings_keys.h"
#include "core/file_io.h"
#include "core/name_guid.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "core/zip_archive.h"
#include "pe/version_resource.h"
#include "settings/ini_edit.h"
#include "settings/launch_arguments.h"
#include "vm/jar_manifest.h"

namespace qxpack {

namespace {

namespace fs = std::filesystem;

// The namespace of made Upgrade Codes, so that they differ from name-based GUIDs made for other uses.
constexpr uint8_t kUpgradeCodeNamespace[16] = {0x3e, 0x0e, 0x0d, 0xe3, 0x15, 0x09, 0x4a, 0x4c,
                                               0xa5, 0x05, 0x75, 0xa4, 0x41, 0x6a, 0x1c, 0xb2};

std::string shown(const std::string& text) { return "\"" + text + "\""; }

bool endsWithJar(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return end == ".jar";
}

// Why Windows could not hold a file of this name; empty when it can.
std::string windowsNameProblem(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x20 || std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos)
            return "Windows file names cannot hold " + shown(std::string(1, static_cast<char>(c)));
    }
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return "Windows drops a final dot or blank";
    return {};
}

bool collectInput(const fs::path& input, std::vector<std::string>& files, std::string& error) {
    std::error_code failure;
    for (fs::recursive_directory_iterator it(input, failure), end; !failure && it != end;
         it.increment(failure)) {
        if (!it->is_regular_file()) continue;
        const std::string relative = it->path().lexically_relative(input).generic_u8string();
        for (const fs::path& part : fs::u8path(relative)) {
            if (const std::string problem = windowsNameProblem(part.u8string()); !problem.empty()) {
                error = "--input: " + relative + ": " + problem;
                return false;
            }
        }
        files.push_back(relative);
    }
    if (failure) {
        error = "--input: cannot read the folder " + input.u8string() + ": " + failure.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    return true;
}

// A class name the launcher can hand to the VM: Java identifiers separated by dots.
bool isClassName(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.back() == '.' || name.find("..") != std::string::npos)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 ||
               std::string("/\\;:[]%\"'<>|*?").find(c) != std::string::npos;
    });
}

bool readJar(const fs::path& path, Bytes& bytes, ZipSummary& zip, std::string& error) {
    return readFile(path.u8string(), bytes, error) && readZipSummary(bytes, zip, error);
}

bool findMainClass(const AppImageRequest& request, const Bytes& mainJar, const ZipSummary& zip,
                   std::string& mainClass, std::string& error) {
    mainClass = request.mainClass;
    if (mainClass.empty()) {
        const std::optional<std::string> manifest =
            zipEntryContent(mainJar, zip, qx::kManifestEntryName, true);
        if (!manifest || !qx::manifestMainAttribute(*manifest, "Main-Class", mainClass) ||
            mainClass.empty()) {
            error = "no main class: give --main-class, since the manifest of --main-jar " + request.mainJar +
                    " names no Main-Class";
            return false;
        }
    }
    if (!isClassName(mainClass)) {
        error = "main class " + shown(mainClass) + " is not a class name such as com.example.Main";
        return false;
    }
    return true;
}

std::u16string settingsText(const std::vector<std::pair<qx::SettingKey, std::u16string>>& values) {
    std::u16string text;
    for (const auto& [key, value] : values) {
        if (!value.empty()) text = withIniValue(text, fromWide(key.section), fromWide(key.name), value);
    }
    return text;
}

Bytes utf8Bytes(const std::u16string& text) {
    const std::string utf8 = toUtf8(text);
    return Bytes(utf8.begin(), utf8.end());
}

}  // namespace

std::string madeUpgradeCode(const std::string& vendor, const std::string& name) {
    return nameBasedGuid(std::string(std::begin(kUpgradeCodeNamespace), std::end(kUpgradeCodeNamespace)) +
                         vendor + "\n" + name);
}

bool planAppImage(const AppImageRequest& request, AppImage& image, std::vector<std::string>& warnings,
                  std::string& error) {
    const fs::path input = fs::u8path(request.input);
    if (!fs::is_directory(input)) {
        error = "--input " + request.input + ": no such folder";
        return false;
    }
    const fs::path mainJar = fs::u8path(request.mainJar).lexically_normal();
    const std::string mainRelative = mainJar.generic_u8string();
    if (mainJar.is_absolute() || mainRelative.rfind("..", 0) == 0 || !fs::is_regular_file(input / mainJar)) {
        error = "--main-jar " + request.mainJar + ": no such file in the input folder " + request.input;
        return false;
    }
    Bytes mainBytes;
    ZipSummary mainZip;
    if (!readJar(input / mainJar, mainBytes, mainZip, error)) {
        error = "--main-jar " + request.mainJar + ": " + error;
        return false;
    }
    if (!collectInput(input, image.appFiles, error)) return false;
    if (!findMainClass(request, mainBytes, mainZip, image.mainClass, error)) return false;
    image.name = request.name.empty() ? image.mainClass.substr(image.mainClass.rfind('.') + 1) : request.name;
    if (const std::string problem = windowsNameProblem(image.name); !problem.empty() || image.name.empty()) {
        error = "--name " + shown(image.name) +
                " cannot name the executable: " + (problem.empty() ? "it is empty" : problem);
        return false;
    }
    VersionNumbers numbers{};
    if (!parseVersionNumbers(request.version, numbers)) {
        error = "--app-version " + shown(request.version) +
                ": expected up to four numbers 0-65535 separated by dots";
        return false;
    }

    // The main jar first, then every other jar in the order of its path.
    std::vector<std::string> jars = {mainRelative};
    for (const std::string& file : image.appFiles) {
        if (endsWithJar(file) && file != mainRelative) jars.push_back(file);
    }
    std::u16string classPath;
    bool classFound = false;
    const std::string classEntry = [&] {
        std::string entry = image.mainClass;
        std::replace(entry.begin(), entry.end(), '.', '/');
        return entry + ".class";
    }();
    for (const std::string& jar : jars) {
        if (jar.find_first_of(";%") != std::string::npos) {
            error = "--input: the jar " + jar + " cannot go on the class path: its name holds \";\" or \"%\"";
            return false;
        }
        Bytes bytes;
        ZipSummary zip;
        std::string ignored;
        if (jar == mainRelative) {
            classFound = classFound || zipHasEntry(mainBytes, mainZip, classEntry);
        } else if (readJar(input / fs::u8path(jar), bytes, zip, ignored)) {
            classFound = classFound || zipHasEntry(bytes, zip, classEntry);
        } else {
            warnings.push_back("--input: " + jar +
                               " is not a ZIP archive; the VM will not read classes from it");
        }
        std::string entry = std::string("app/") + jar;
        std::replace(entry.begin(), entry.end(), '/', '\\');
        classPath += (classPath.empty() ? u"" : u";") + fromUtf8(entry);
    }
    if (!classFound) {
        warnings.push_back("main class " + image.mainClass + ": no " + classEntry +
                           " in the jars of --input; the application starts only if the runtime has it");
    }

    image.embeddedText = settingsText({{qx::key::kMainClass, fromUtf8(image.mainClass)},
                                       {qx::key::kVmParameters, request.vmParameters},
                                       {qx::key::kClassPath, classPath},
                                       {qx::key::kCmd, request.cmd}});
    image.upgradeCodeMade = request.upgradeCode.empty();
    image.upgradeCode =
        image.upgradeCodeMade ? madeUpgradeCode(request.vendor, image.name) : request.upgradeCode;

    PackageInputs inputs;
    inputs.launcher = request.launcher;
    inputs.outputFileName = image.name + ".exe";
    inputs.icon = request.icon;
    inputs.iniFile = utf8Bytes(settingsText({{qx::key::kProductName, fromUtf8(image.name)}}));
    inputs.embeddedText = utf8Bytes(image.embeddedText);
    inputs.upgradeCode = image.upgradeCode;
    inputs.passPhrase = request.passPhrase;
    inputs.version.fileVersion = request.version;
    inputs.version.strings = {
        {"CompanyName", request.vendor},
        {"ProductName", image.name},
        {"FileDescription", request.description.empty() ? image.name : request.description},
        {"LegalCopyright", request.copyright}};
    if (!assemblePackage(inputs, image.package, error)) {
        if (error.rfind("icon: ", 0) == 0)
            error = "--icon " + error.substr(6) + " (give a Windows .ico file)";
        return false;
    }
    return true;
}

bool writeAppImage(const AppImage& image, const std::string& input, const std::string& runtime,
                   const std::string& folder, std::string& error) {
    const fs::path root = fs::u8path(folder);
    std::error_code failure;
    if (fs::exists(root, failure)) {
        error = folder + " exists already; remove it, or give another --dest or --name";
        return false;
    }
    std::vector<std::pair<std::string, Bytes>> files = {
        {(root / fs::u8path(image.name + ".exe")).u8string(), image.package.executable}};
    if (image.package.iniFile)
        files.emplace_back((root / fs::u8path(image.name + ".ini")).u8string(), *image.package.iniFile);
    if (!writeFilesAtomically(files, error)) return false;
    for (const std::string& file : image.appFiles) {
        const fs::path target = root / kAppFolderName / fs::u8path(file);
        fs::create_directories(target.parent_path(), failure);
        if (!failure) fs::copy_file(fs::u8path(input) / fs::u8path(file), target, failure);
        if (failure) {
            error = "cannot copy " + file + " to " + target.u8string() + ": " + failure.message();
            return false;
        }
    }
    if (!runtime.empty()) {
        fs::copy(fs::u8path(runtime), root / "jre64", fs::copy_options::recursive, failure);
        if (failure) {
            error = "cannot copy the runtime " + runtime + ": " + failure.message();
            return false;
        }
    }
    return true;
}

}  // namespace qxpack
