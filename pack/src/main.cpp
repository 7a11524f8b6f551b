// qxpack: packages the launcher for one application, or reports what a package carries.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "class_path_probe.h"
#include "command_line.h"
#include "file_io.h"
#include "ini_edit.h"
#include "package_build.h"
#include "package_inspect.h"
#include "settings_cipher.h"
#include "settings_lint.h"
#include "splash_image.h"
#include "config/settings_keys.h"
#include "text_codec.h"
#include "wide_text.h"

namespace qxpack {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int fail(const std::string& message) {
    std::fprintf(stderr, "qxpack: error: %s\n", message.c_str());
    return kExitFailure;
}

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

int runBuild(const CommandLine& line) {
    if (!line.has("launcher") || !line.has("output")) return fail("build needs --launcher and --output");
    const std::string output = line.value("output");
    PackageInputs inputs;
    std::string error;
    if (!readFile(line.value("launcher"), inputs.launcher, error)) return fail(error);
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
    return 0;
}

int runCheck(const CommandLine& line) {
    if (line.operands.empty() || line.operands.size() > 2) {
        std::fprintf(stderr, "qxpack: error: check needs one or two settings files\n");
        return kExitUsage;
    }
    std::vector<LintInput> inputs;
    for (const std::string& path : line.operands) {
        Bytes bytes;
        std::string error;
        if (!readFile(path, bytes, error)) {
            std::fprintf(stderr, "qxpack: error: %s\n", error.c_str());
            return kExitUsage;  // nothing was checked: as bad as an error finding
        }
        inputs.push_back(LintInput{path, decodeTextFile(bytes).text, launcherFolderOf(path)});
    }
    const std::vector<LintFinding> findings = lintSettings(inputs, probeClassPathPattern, probeSplashImage);
    for (const LintFinding& finding : findings) std::printf("%s\n", formatFinding(finding).c_str());
    return lintExitCode(findings);
}

}  // namespace

}  // namespace qxpack

namespace {

int run(const std::vector<std::string>& args) {
    using namespace qxpack;
    CommandLine line;
    std::string error;
    if (!parseCommandLine(args, line, error)) {
        std::fprintf(stderr, "qxpack: error: %s\n%s", error.c_str(), usageText());
        return kExitUsage;
    }
    if (line.command == "help") {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (line.command == "check") return runCheck(line);
    return line.command == "build" ? runBuild(line) : runInspect(line);
}

}  // namespace

#ifdef _WIN32
// The wide entry point, so that paths outside the ANSI code page reach the UTF-8 file functions intact.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::u16string wide;
        for (const wchar_t* c = argv[i]; *c != 0; ++c) wide.push_back(static_cast<char16_t>(*c));
        args.push_back(qxpack::toUtf8(wide));
    }
    return run(args);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
