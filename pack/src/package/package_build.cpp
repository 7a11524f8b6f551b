#include "package/package_build.h"

#include <tuple>

#include "config/ini_text_store.h"
#include "config/settings_keys.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "core/zip_archive.h"
#include "pe/icon_resources.h"
#include "pe/pe_resources.h"
#include "pe/version_resource.h"
#include "settings/ini_edit.h"
#include "settings/settings_cipher.h"
#include "settings/splash_image.h"
#include "settings/upgrade_code.h"

namespace qxpack {

namespace {

constexpr uint16_t kLanguageNeutral = 0;
constexpr uint16_t kDefaultIconGroup = 1;
constexpr uint16_t kDefaultVersionName = 1;

bool isAscii(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::u16string sectionOf(const qx::SettingKey& key) { return fromWide(key.section); }
std::u16string nameOf(const qx::SettingKey& key) { return fromWide(key.name); }

// The settings file value as the profile functions would find it.
std::u16string fileValue(const DecodedText& file, const qx::SettingKey& key,
                         const std::u16string& suffix = {}) {
    return iniValue(file.text, sectionOf(key) + suffix, nameOf(key), NameMatch::IgnoreCase);
}

// What the launcher's layered lookup would answer for "Main Class": the embedded text parsed by the
// launcher's own parser (after the CR LF line ends that the enciphering gives it), the settings file
// and its "+" section as the profile functions read them.
bool hasMainClass(const std::optional<DecodedText>& embedded, const std::optional<DecodedText>& file) {
    std::wstring embeddedValue;
    if (embedded) {
        qx::IniTextStore store;
        store.parseText(toWide(withCrLf(embedded->text)));
        store.getValue(qx::kSectionRuntime, qx::key::kMainClass.name, embeddedValue);
    }
    return !embeddedValue.empty() || (file && (!fileValue(*file, qx::key::kMainClass).empty() ||
                                               !fileValue(*file, qx::key::kMainClass, u"+").empty()));
}

void setValue(DecodedText& text, const qx::SettingKey& key, const std::u16string& value) {
    text.text = withIniValue(text.text, sectionOf(key), nameOf(key), value);
}

bool applyVersion(const PackageInputs& inputs, ResourceTable& table, std::string& error) {
    ResourceId name = ResourceId::number(kDefaultVersionName);
    VersionInfo info;
    uint16_t language = info.language;
    for (const Resource& r : table) {
        if (r.type != ResourceId::number(kTypeVersion)) continue;
        name = r.name;
        language = r.language;
        std::string ignored;
        parseVersionResource(r.data, info, ignored);  // a damaged launcher resource is simply replaced
        break;
    }
    const std::u16string launcherVersion =
        !info.value(u"Launcher Version").empty() ? info.value(u"Launcher Version")
        : !info.value(u"FileVersion").empty()    ? info.value(u"FileVersion")
                                                 : fromAscii(versionText(info.fileVersion));
    const VersionSettings& v = inputs.version;
    const std::string productVersion = v.productVersion.empty() ? v.fileVersion : v.productVersion;
    for (const auto& [text, numbers, what] : {std::tuple{v.fileVersion, &info.fileVersion, "file"},
                                              std::tuple{productVersion, &info.productVersion, "product"}}) {
        if (!text.empty() && !parseVersionNumbers(text, *numbers)) {
            error = std::string("bad ") + what + " version \"" + text +
                    "\": Windows takes one to four numbers 0-65535 separated by dots (1.2.3.4), nothing "
                    "else; map a build tool's version first: 1.0-SNAPSHOT to 1.0, and one it does not know "
                    "(unspecified) to 0.0";
            return false;
        }
    }

    const std::string stem = inputs.outputFileName.substr(0, inputs.outputFileName.rfind('.'));
    std::vector<std::pair<std::u16string, std::u16string>> strings = {
        {u"CompanyName", {}},
        {u"FileDescription", {}},
        {u"FileVersion", fromAscii(versionText(info.fileVersion))},
        {u"InternalName", fromUtf8(stem)},
        {u"LegalCopyright", {}},
        {u"OriginalFilename", fromUtf8(inputs.outputFileName)},
        {u"ProductName", {}},
        {u"ProductVersion", fromAscii(versionText(info.productVersion))},
        {u"Launcher Version", launcherVersion}};
    for (const auto& given : v.strings) {
        bool known = false;
        for (auto& entry : strings) {
            if (entry.first == fromUtf8(given.first)) {
                entry.second = fromUtf8(given.second);
                known = true;
            }
        }
        if (!known) strings.emplace_back(fromUtf8(given.first), fromUtf8(given.second));
    }
    info.strings.clear();
    for (auto& entry : strings) {
        if (!entry.second.empty()) info.strings.push_back(entry);
    }
    info.language = language;
    putResource(table,
                Resource{ResourceId::number(kTypeVersion), name, language, 0, buildVersionResource(info)});
    return true;
}

bool applyIcon(const Bytes& icoFile, ResourceTable& table, std::string& error) {
    std::vector<IconImage> images;
    if (!parseIcoFile(icoFile, images, error)) return false;
    ResourceId group = ResourceId::number(kDefaultIconGroup);
    for (const Resource& r : table) {
        if (r.type == ResourceId::number(kTypeGroupIcon)) {
            group = r.name;  // the launcher's placeholder: its first group, whatever its id
            break;
        }
    }
    replaceIconGroup(table, group, images);
    return true;
}

}  // namespace

bool assemblePackage(const PackageInputs& inputs, PackageOutputs& outputs, std::string& error) {
    PeImage image;
    if (!parsePeImage(inputs.launcher, inputs.acceptance, image, error)) {
        error = "launcher: " + error;
        return false;
    }
    ResourceTable table;
    if (!readResources(image, table, error)) {
        error = "launcher: " + error;
        return false;
    }
    std::optional<DecodedText> embedded;
    std::optional<DecodedText> file;
    if (inputs.embeddedText) embedded = decodeTextFile(*inputs.embeddedText);
    if (inputs.iniFile) file = decodeTextFile(*inputs.iniFile);
    // Without the option, the settings file's own Upgrade Code keys the embedded text.
    std::string upgradeCode = inputs.upgradeCode;
    if (upgradeCode.empty() && file) {
        upgradeCode = toUtf8(fileValue(*file, qx::key::kUpgradeCode));
    }
    if (!isAscii(upgradeCode) || !isAscii(inputs.passPhrase)) {
        error = "the upgrade code and the pass phrase must be ASCII: the launcher hashes them as ANSI bytes";
        return false;
    }
    if (const std::string problem = upgradeCodeProblem(upgradeCode); !problem.empty()) {
        error = problem + "; " + kUpgradeCodeAdvice;
        return false;
    }
    if (embedded && !file) file = DecodedText{};  // the launcher finds the upgrade code only in the file

    ZipSummary zip;
    if (inputs.jar) {
        if (!readZipSummary(*inputs.jar, zip, error)) {
            error = "jar: " + error;
            return false;
        }
        if (!embedded && !file) file = DecodedText{};
        setValue(embedded ? *embedded : *file, qx::key::kEmbeddedJar, u"Yes");
    }
    if (inputs.splash) {
        const std::u16string name = fromUtf8(inputs.splash->fileName);
        const std::string stem = inputs.outputFileName.substr(0, inputs.outputFileName.rfind('.'));
        if (!isSplashImageFormat(inputs.splash->bytes)) {
            error = "splash: not a PNG, GIF or JPEG image, the formats the runtime's splash library shows";
            return false;
        }
        if (sameIgnoringCase(name, fromUtf8(inputs.outputFileName)) ||
            sameIgnoringCase(name, fromUtf8(stem + ".ini"))) {
            error = "splash: the image's name \"" + inputs.splash->fileName +
                    "\" is taken by the package's own files";
            return false;
        }
        // The executable is the vendor's part, replaced by every upgrade; the settings file is the
        // user's, never overwritten once installed. A file value would hide the embedded one for good.
        if (embedded && file && !fileValue(*file, qx::key::kSplashImage).empty()) {
            error =
                "splash: the settings file names a \"Splash Image\" of its own, which would hide the "
                "one embedded for --splash; remove it from the settings file";
            return false;
        }
        if (!embedded && !file) file = DecodedText{};
        setValue(embedded ? *embedded : *file, qx::key::kSplashImage, name);
    }
    if (!hasMainClass(embedded, file)) {
        error =
            "settings: no \"Main Class\" in section \"Java Runtime Environment\"; the launcher would refuse "
            "to start";
        return false;
    }
    if (file && (embedded || !upgradeCode.empty())) {
        setValue(*file, qx::key::kUpgradeCode, fromAscii(upgradeCode));
    }

    if (inputs.icon && !applyIcon(*inputs.icon, table, error)) {
        error = "icon: " + error;
        return false;
    }
    if (!applyVersion(inputs, table, error)) return false;

    if (embedded) {
        const SettingsResources res = encipherSettings(upgradeCode, inputs.passPhrase, embedded->text);
        for (const auto& [id, data] : {std::pair{kPassPhraseResource, res.passPhrase},
                                       std::pair{kSettingsTextResource, res.settingsText}}) {
            putResource(table, Resource{ResourceId::number(kTypeRcData), ResourceId::number(id),
                                        kLanguageNeutral, 0, data});
        }
    }

    if (!writeWithResources(image, table, outputs.executable, error)) {
        error = "launcher: " + error;
        return false;
    }
    if (inputs.jar) {
        const size_t at = outputs.executable.size();
        outputs.executable = withOverlay(std::move(outputs.executable), zipPlacedAt(*inputs.jar, zip, at),
                                         checksumOffset(image));
    }
    if (file) {
        // The profile functions read a file without a byte-order mark in the ANSI code page, which
        // would garble every character outside ASCII; UTF-16 with the mark they read exactly.
        file->text = withCrLf(file->text);
        file->encoding = TextEncoding::Utf16Le;
        file->hadBom = true;
        outputs.iniFile = encodeTextFile(*file);
    }
    return true;
}

}  // namespace qxpack
