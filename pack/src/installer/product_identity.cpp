#include "installer/product_identity.h"

#include <cctype>

#include "config/ini_text_store.h"
#include "config/layered_value.h"
#include "config/settings_keys.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "package/package_inspect.h"
#include "settings/ini_edit.h"

namespace qxpack {

namespace {

constexpr uint16_t kMaxMajorMinor = 255;

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::u16string fileValue(const std::u16string& text, const qx::SettingKey& key,
                         const std::u16string& suffix = {}) {
    return iniValue(text, fromWide(key.section) + suffix, fromWide(key.name), NameMatch::IgnoreCase);
}

// The launcher's answer for `key`: the embedded value, replaced or extended by the file's.
std::u16string layered(const std::optional<std::u16string>& embedded, const std::u16string& file,
                       const qx::SettingKey& key) {
    std::wstring embeddedValue;
    if (embedded) {
        qx::IniTextStore store;
        store.parseText(toWide(withCrLf(*embedded)));
        store.getValue(key.section, key.name, embeddedValue);
    }
    return fromWide(
        qx::layeredValue(embeddedValue, toWide(fileValue(file, key)), toWide(fileValue(file, key, u"+"))));
}

}  // namespace

std::string fileNameProblem(const std::u16string& name) {
    if (trimmed(name).empty()) return "it is empty";
    for (char16_t c : name) {
        if (c < 0x20) return "it holds a control character";
        if (std::u16string(u"<>:\"/\\|?*").find(c) != std::u16string::npos)
            return "it holds \"" + toUtf8(std::u16string(1, c)) + "\", which file names cannot hold";
    }
    if (name.back() == u'.' || name.back() == u' ') return "it ends in a dot or a space, which Windows drops";
    std::u16string stem = name.substr(0, name.find(u'.'));
    for (char16_t& c : stem) c = folded(c);
    static const char16_t* const kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL"};
    bool device = false;
    for (const char16_t* d : kDevices) device = device || stem == d;
    if (stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
        stem[3] >= u'1' && stem[3] <= u'9')
        device = true;
    return device ? "it is the name of a device" : std::string();
}

bool installerVersion(const VersionNumbers& numbers, std::string& version, std::string& error) {
    if (numbers[0] > kMaxMajorMinor || numbers[1] > kMaxMajorMinor) {
        error = "product version " + versionText(numbers) +
                " cannot go into an installer: Windows Installer holds at most 255.255.65535";
        return false;
    }
    version =
        std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." + std::to_string(numbers[2]);
    return true;
}

std::u16string formattedLiteral(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'[' || c == u']' || c == u'{' || c == u'}') {
            out += u"[\\";
            out.push_back(c);
            out += u"]";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool readProductIdentity(const Bytes& executable, const std::optional<Bytes>& settingsFile,
                         const std::string& upgradeCodeOption, ProductIdentity& identity,
                         std::string& error) {
    const std::u16string file = settingsFile ? decodeTextFile(*settingsFile).text : std::u16string();
    const std::string fileCode = toUtf8(fileValue(file, qx::key::kUpgradeCode));
    const std::string code = upgradeCodeOption.empty() ? fileCode : upgradeCodeOption;

    PackageReport report;
    if (!inspectPackage(executable, fileCode, PeAcceptance{}, report, error)) return false;
    if (!report.version || report.version->value(u"Launcher Version").empty()) {
        error = "not a package of qxpack build: its version resource has no \"Launcher Version\"";
        return false;
    }
    const VersionInfo& info = *report.version;
    identity.name = info.value(u"ProductName");
    identity.manufacturer = info.value(u"CompanyName");
    if (identity.name.empty() || identity.manufacturer.empty()) {
        error =
            "the executable names no product or no company: give qxpack build --product-name and --company";
        return false;
    }
    if (const std::string problem = fileNameProblem(identity.name); !problem.empty()) {
        error = "product name \"" + toUtf8(identity.name) + "\" cannot name the install folder: " + problem;
        return false;
    }
    if (!installerVersion(info.productVersion, identity.version, error)) return false;
    // Embedded settings are read only with the Upgrade Code of the settings file named as the
    // executable: without that file the installed application could not start.
    if (!settingsFile && (report.settingsText || code.empty())) {
        error =
            "no settings file beside it, named as the executable with .ini: qxpack build wrote one "
            "there with the Upgrade Code the launcher needs; keep their names together (sign the "
            "executable in place)";
        return false;
    }
    if (code.empty()) {
        error =
            "no Upgrade Code: the settings file beside the executable has none; give --upgrade-code {GUID}";
        return false;
    }
    if (const std::string problem = upgradeCodeProblem(code); !problem.empty()) {
        error = problem + "; " + kUpgradeCodeAdvice;
        return false;
    }
    if (!isBracedGuid(code)) {
        error = "Upgrade Code \"" + code + "\" is not a GUID in braces; " + kUpgradeCodeAdvice;
        return false;
    }
    identity.upgradeCode = upperCase(code);
    identity.applicationType = layered(report.settingsText, file, qx::key::kApplicationType);
    identity.splashImage = trimmed(layered(report.settingsText, file, qx::key::kSplashImage));
    identity.machine = report.machine;
    return true;
}

}  // namespace qxpack
