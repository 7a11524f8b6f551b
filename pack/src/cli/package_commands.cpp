// `qxpack build`, `inspect` and `check`: packages, what they carry and the settings they read.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "config/settings_keys.h"
#include "core/file_io.h"
#include "core/self_path.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "package/launcher_location.h"
#include "package/package_build.h"
#include "package/package_inspect.h"
#include "settings/class_path_probe.h"
#include "settings/ini_edit.h"
#include "settings/settings_cipher.h"
#include "settings/settings_lint.h"
#include "settings/splash_image.h"

namespace qxpack {

namespace {

bool readOptional(const CommandLine& line, const std::string& name, std::optional<Bytes>& content,
                  std::string& error) {
    if (!line.has(name)) return true;
    Bytes bytes;
    if (!readFile(line.value(name), bytes, error)) return false;
    content = std::move(bytes);
    return true;
}

std::string siblingIni(const std::string& exePath) {
    std::filesystem::path path = std::filesystem::u8path(exePath);
    path.replace_extension(".ini");
    return path.u8string();
}

// The settings as `check` reads them: the findings are printed; an error stops the command.
std::vector<LintFinding> lintTexts(const std::vector<std::pair<std::string, const Bytes*>>& files) {
    std::vector<LintInput> inputs;
    for (const auto& [path, bytes] : files) {
        const DecodedText decoded = decodeTextFile(*bytes);
        inputs.push_back(LintInput{path, decoded.text, launcherFolderOf(path), decoded.hadBom});
    }
    return lintSettings(inputs, probeClassPathPattern, probeSplashImage);
}

}  // namespace

int runBuild(const CommandLine& line) {
    if (!line.has("output")) return fail("build needs --output");
    const std::string output = line.value("output");
    PackageInputs inputs;
    std::string error;
    std::string launcher;
    if (!locateLauncher(line.has("launcher") ? line.value("launcher") : kDefaultLauncher,
                        launcherFolders(selfPath()), launcher, error) ||
        !readFile(launcher, inputs.launcher, error))
        return fail(error);
    if (!readOptional(line, "icon", inputs.icon, error) ||
        !readOptional(line, "ini", inputs.iniFile, error) ||
        !readOptional(line, "embed", inputs.embeddedText, error) ||
        !readOptional(line, "jar", inputs.jar, error)) {
        return fail(error);
    }
    if (line.has("splash")) {
        SplashImageFile splash;
        if (!readFile(line.value("splash"), splash.bytes, error)) return fail(error);
        splash.fileName = std::filesystem::u8path(line.value("splash")).filename().u8string();
        inputs.splash = std::move(splash);
    }
    std::vector<std::pair<std::string, const Bytes*>> settings;
    if (inputs.iniFile) settings.emplace_back(line.value("ini"), &*inputs.iniFile);
    if (inputs.embeddedText) settings.emplace_back(line.value("embed"), &*inputs.embeddedText);
    const std::vector<LintFinding> findings = lintTexts(settings);
    for (const LintFinding& finding : findings) std::fprintf(stderr, "%s\n", formatFinding(finding).c_str());
    if (lintExitCode(findings) == kExitUsage) {
        std::fprintf(stderr, "qxpack: error: the settings have errors (above); nothing was written\n");
        return kExitUsage;
    }
    inputs.outputFileName = std::filesystem::u8path(output).filename().u8string();
    inputs.upgradeCode = line.value("upgrade-code");
    inputs.passPhrase = line.has("pass-phrase") ? line.value("pass-phrase") : randomPassPhrase();
    inputs.acceptance.allowI386 = line.flag("allow-i386");
    inputs.version.fileVersion = line.value("file-version");
    inputs.version.productVersion = line.value("product-version");
    const std::pair<const char*, const char*> strings[] = {{"company", "CompanyName"},
                                                           {"product-name", "ProductName"},
                                                           {"description", "FileDescription"},
                                                           {"copyright", "LegalCopyright"},
                                                           {"original-filename", "OriginalFilename"},
                                                           {"internal-name", "InternalName"}};
    for (const auto& [option, resourceName] : strings) {
        if (line.has(option)) inputs.version.strings.emplace_back(resourceName, line.value(option));
    }

    PackageOutputs outputs;
    if (!assemblePackage(inputs, outputs, error)) return fail(error);
    std::vector<std::pair<std::string, Bytes>> files = {{output, std::move(outputs.executable)}};
    if (outputs.iniFile) files.emplace_back(siblingIni(output), std::move(*outputs.iniFile));
    if (inputs.splash) {
        const std::filesystem::path beside = std::filesystem::u8path(output).replace_filename(
            std::filesystem::u8path(inputs.splash->fileName));
        files.emplace_back(beside.u8string(), std::move(inputs.splash->bytes));
    }
    if (!writeFilesAtomically(files, error)) return fail(error);
    return 0;
}

int runInspect(const CommandLine& line) {
    if (line.operands.size() != 1) return fail("inspect needs exactly one executable");
    const std::string& path = line.operands[0];
    Bytes executable;
    std::string error;
    if (!readFile(path, executable, error)) return fail(error);
    std::string upgradeCode = line.value("upgrade-code");
    Bytes ini;
    std::string noIni;
    if (!line.has("upgrade-code") && readFile(siblingIni(path), ini, noIni)) {
        upgradeCode = toUtf8(iniValue(decodeTextFile(ini).text, fromWide(qx::key::kUpgradeCode.section),
                                      fromWide(qx::key::kUpgradeCode.name), NameMatch::IgnoreCase));
    }
    PeAcceptance acceptance;
    acceptance.allowI386 = line.flag("allow-i386");
    PackageReport report;
    if (!inspectPackage(executable, upgradeCode, acceptance, report, error)) return fail(path + ": " + error);
    std::fputs(formatReport(report).c_str(), stdout);
    if (line.flag("strict") && launcherRefuses(report))
        return fail(path + ": the launcher refuses to run it: " +
                    std::string(report.signature.finding.begin(), report.signature.finding.end()));
    return 0;
}

int runCheck(const CommandLine& line) {
    if (line.operands.empty() || line.operands.size() > 2) {
        std::fprintf(stderr, "qxpack: error: check needs one or two settings files\n");
        return kExitUsage;
    }
    std::vector<Bytes> contents(line.operands.size());
    std::vector<std::pair<std::string, const Bytes*>> files;
    for (size_t i = 0; i < line.operands.size(); ++i) {
        std::string error;
        if (!readFile(line.operands[i], contents[i], error)) {
            std::fprintf(stderr, "qxpack: error: %s\n", error.c_str());
            return kExitUsage;  // nothing was checked: as bad as an error finding
        }
        files.emplace_back(line.operands[i], &contents[i]);
    }
    const std::vector<LintFinding> findings = lintTexts(files);
    for (const LintFinding& finding : findings) std::printf("%s\n", formatFinding(finding).c_str());
    return lintExitCode(findings);
}

}  // namespace qxpack
