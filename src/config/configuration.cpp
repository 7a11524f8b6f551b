#include "config/configuration.h"

#include <cwctype>

#include "base/file_finder.h"
#include "base/long_path.h"
#include "base/module_path.h"
#include "config/embedded_settings.h"
#include "config/ini_file_store.h"
#include "config/layered_store.h"
#include "config/settings_paths.h"
#include "config/split_text.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "launch/launcher.h"

namespace qx {

namespace {

constexpr wchar_t kProduct[] = L"Product Information";
constexpr wchar_t kJre[] = L"Java Runtime Environment";
constexpr wchar_t kApplication[] = L"Application";

bool equalsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

uint8_t yesFlag(const std::wstring& value) { return equalsNoCase(value, L"Yes") ? 1 : 0; }

JavaVersion versionBound(const std::wstring& value, const JavaVersion& unbounded, int32_t fill) {
    if (value == L"any") return unbounded;
    JavaVersion version;
    parseJavaVersion(value, fill, version);  // a failed parse leaves 0.0.0.0, meaning no bound given
    return version;
}

std::wstring readJrePath(const Launcher& launcher, LayeredStore& settings) {
    if (launcher.isService) return settings.value(kJre, L"JRE Path");
    // Once the user has picked a runtime, the per-user file alone decides, even when it names none.
    const std::wstring userFile = userSettingsFilePath(launcher, false);
    FileFinder finder;
    if (!userFile.empty() && finder.findFile(userFile)) {
        std::wstring value;
        IniFileStore(userFile).getValue(kJre, L"JRE Path", value);
        return value;
    }
    return settings.value(kJre, L"JRE Path");
}

void readRuntimeKinds(Launcher& launcher, const std::wstring& source) {
    struct Kind {
        const wchar_t* word;
        uint8_t jdk, jre, other;
    };
    static const Kind kKinds[] = {
        {L"favor_JRE", 0, 1, 1}, {L"favor_JDK", 1, 0, 1}, {L"only_JDK", 1, 0, 0}, {L"only_JRE", 0, 1, 0}};
    if (source.empty()) {
        launcher.wantJdk = 1;
        launcher.wantJre = 1;
        return;
    }
    launcher.wantJdk = launcher.wantJre = launcher.allowOtherKind = 0;
    for (const Kind& kind : kKinds) {
        if (source == kind.word) {
            launcher.wantJdk = kind.jdk;
            launcher.wantJre = kind.jre;
            launcher.allowOtherKind = kind.other;
            return;
        }
    }
}

void readProviders(Launcher& launcher, const std::wstring& provider) {
    struct Providers {
        const wchar_t* word;
        uint8_t acceptJRockit, preferJRockit, acceptSun, preferSun, acceptIbm, preferIbm;
    };
    static const Providers kProviders[] = {
        {L"jrockit", 1, 1, 0, 0, 0, 0},   {L"ibm", 0, 0, 0, 0, 1, 1},
        {L"favor_sun", 1, 0, 1, 1, 1, 0}, {L"favor_jrockit", 1, 1, 1, 0, 1, 0},
        {L"favor_ibm", 1, 0, 1, 0, 1, 1}, {L"any", 1, 0, 1, 0, 1, 0}};
    if (provider.empty()) return;
    for (const Providers& row : kProviders) {
        if (equalsNoCase(provider, row.word)) {
            launcher.acceptJRockit = row.acceptJRockit;
            launcher.preferJRockit = row.preferJRockit;
            launcher.acceptSun = row.acceptSun;
            launcher.preferSun = row.preferSun;
            launcher.acceptIbm = row.acceptIbm;
            launcher.preferIbm = row.preferIbm;
            return;
        }
    }
}

}  // namespace

bool loadConfiguration(Launcher& launcher) {
    std::wstring settingsFile;
    if (!settingsFilePath(settingsFile)) return false;

    IniFileStore file(settingsFile);
    file.getValue(kProduct, L"Product Code", launcher.productCode);
    file.getValue(kProduct, L"Upgrade Code", launcher.upgradeCode);
    file.getValue(kProduct, L"Product Name", launcher.productName);

    LayeredStore settings(settingsFile);
    settings.parseText(loadEmbeddedSettingsText(launcher.upgradeCode));

    const JavaVersion noUpperBound{{kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh}};
    launcher.minimumVersion =
        versionBound(settings.value(kJre, L"Minimum Version"), JavaVersion{}, kVersionFillLow);
    launcher.maximumVersion =
        versionBound(settings.value(kJre, L"Maximum Version"), noUpperBound, kVersionFillHigh);

    if (settings.value(kApplication, L"Application Type") == L"service") {
        launcher.isService = 1;
        if (!settings.value(kApplication, L"Omit Service Name").empty()) launcher.omitServiceName = 1;
    }

    splitText(settings.value(kJre, L"Preferred versions"), L";", launcher.preferredVersions);

    launcher.jrePath = readJrePath(launcher, settings);
    if (!launcher.jrePath.empty() && !isAbsolutePath(launcher.jrePath)) {
        std::wstring executable;
        if (moduleFilePath(executable)) {
            launcher.jrePath = executable.substr(0, executable.rfind(L'\\')) + L'\\' + launcher.jrePath;
        }
    }

    const std::wstring jvmType = settings.value(kJre, L"JVM Type");
    launcher.jvmType = jvmType == L"server" ? 1 : jvmType == L"favor_server" ? 2 : 0;

    readRuntimeKinds(launcher, settings.value(kJre, L"JVM Source"));
    readProviders(launcher, settings.value(kJre, L"VM Provider"));

    launcher.mainClass = settings.value(kJre, L"Main Class");
    if (launcher.mainClass.empty()) {
        reportError(kMsgNoMainClass);
        return false;
    }
    for (wchar_t& c : launcher.mainClass) {
        if (c == L'.') c = L'/';
    }

    launcher.failureCheck = yesFlag(settings.value(kApplication, L"Failure Check"));
    launcher.overrideWorkingDir = yesFlag(settings.value(kApplication, L"Override WorkingDir"));
    launcher.systemPath = settings.value(kJre, L"System Path");
    launcher.libraryPath = settings.value(kJre, L"Library Path");
    launcher.pairProduct = settings.value(kApplication, L"Pair Product");
    launcher.pairReturnCode = yesFlag(settings.value(kApplication, L"Pair Return Code"));
    return true;
}

}  // namespace qx
