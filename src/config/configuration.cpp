#include "config/configuration.h"

#include <cwctype>

#include "base/file_finder.h"
#include "base/long_path.h"
#include "base/split_text.h"
#include "config/embedded_settings.h"
#include "config/ini_file_store.h"
#include "config/layered_store.h"
#include "config/settings_keys.h"
#include "config/settings_paths.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "diag/trace.h"

namespace qx {

namespace {

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
    // A failed parse leaves 0.0.0.0, meaning no bound given.
    static_cast<void>(parseJavaVersion(value, fill, version));
    return version;
}

std::wstring readJrePath(const LauncherSettings& config, const std::wstring& executablePath,
                         LayeredStore& settings) {
    if (config.isService) return settings.value(key::kJrePath);
    // Once the user has picked a runtime, the per-user file alone decides, even when it names none.
    const std::wstring userFile = userSettingsPathFor(executablePath, config, false);
    FileFinder finder;
    if (finder.findFile(userFile)) {
        std::wstring value;
        IniFileStore(userFile).getValue(key::kJrePath.section, key::kJrePath.name, value);
        if (traceOn()) {
            trace(L"setting [" + std::wstring(kSectionRuntime) + L"] JRE Path: per-user settings file " +
                  userFile + L" = " + value);
        }
        return value;
    }
    return settings.value(key::kJrePath);
}

JvmType jvmTypeOf(const std::wstring& word) {
    if (word == L"server") return kJvmServer;
    if (word == L"favor_server") return kJvmFavorServer;
    return kJvmAny;
}

void readRuntimeKinds(RuntimeRequest& request, const std::wstring& source) {
    struct Kind {
        const wchar_t* word;
        uint8_t jdk, jre, other;
    };
    static const Kind kKinds[] = {
        {L"favor_JRE", 0, 1, 1}, {L"favor_JDK", 1, 0, 1}, {L"only_JDK", 1, 0, 0}, {L"only_JRE", 0, 1, 0}};
    if (source.empty()) {
        request.wantJdk = 1;
        request.wantJre = 1;
        return;
    }
    request.wantJdk = request.wantJre = request.allowOtherKind = 0;
    for (const Kind& kind : kKinds) {
        if (source == kind.word) {
            request.wantJdk = kind.jdk;
            request.wantJre = kind.jre;
            request.allowOtherKind = kind.other;
            return;
        }
    }
}

void readProviders(RuntimeRequest& request, const std::wstring& provider) {
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
            request.acceptJRockit = row.acceptJRockit;
            request.preferJRockit = row.preferJRockit;
            request.acceptSun = row.acceptSun;
            request.preferSun = row.preferSun;
            request.acceptIbm = row.acceptIbm;
            request.preferIbm = row.preferIbm;
            return;
        }
    }
}

}  // namespace

bool loadConfiguration(LauncherSettings& config, const std::wstring& executablePath) {
    std::wstring settingsFile;
    if (!settingsPathFor(executablePath, settingsFile)) return false;

    if (traceOn()) trace(L"settings file " + settingsFile);
    IniFileStore file(settingsFile);
    file.getValue(kSectionProduct, key::kProductCode.name, config.productCode);
    file.getValue(kSectionProduct, key::kUpgradeCode.name, config.upgradeCode);
    file.getValue(kSectionProduct, key::kProductName.name, config.productName);

    LayeredStore settings(settingsFile);
    settings.parseText(loadEmbeddedSettingsText(config.upgradeCode));
    if (traceOn()) {
        trace(settings.sections().empty()
                  ? L"embedded settings: none"
                  : L"embedded settings: resources 8000 and 9000 read and deciphered");
    }

    const JavaVersion noUpperBound{{kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh}};
    config.minimumVersion =
        versionBound(settings.value(key::kMinimumVersion), JavaVersion{}, kVersionFillLow);
    config.maximumVersion =
        versionBound(settings.value(key::kMaximumVersion), noUpperBound, kVersionFillHigh);

    if (settings.value(key::kApplicationType) == L"service") {
        config.isService = 1;
        if (!settings.value(key::kOmitServiceName).empty()) config.omitServiceName = 1;
    }

    splitText(settings.value(key::kPreferredVersions), L";", config.preferredVersions);

    config.jrePath = readJrePath(config, executablePath, settings);
    if (!config.jrePath.empty() && !isAbsolutePath(config.jrePath)) {
        config.jrePath = executablePath.substr(0, executablePath.rfind(L'\\')) + L'\\' + config.jrePath;
    }

    config.jvmType = jvmTypeOf(settings.value(key::kJvmType));
    readRuntimeKinds(config, settings.value(key::kJvmSource));
    readProviders(config, settings.value(key::kVmProvider));
    config.vendorKeys = equalsNoCase(settings.value(key::kVendorKeys), L"No") ? 0 : 1;

    config.mainClass = settings.value(key::kMainClass);
    if (config.mainClass.empty()) {
        reportError(kMsgNoMainClass);
        return false;
    }
    for (wchar_t& c : config.mainClass) {
        if (c == L'.') c = L'/';
    }

    config.failureCheck = yesFlag(settings.value(key::kFailureCheck));
    config.overrideWorkingDir = yesFlag(settings.value(key::kOverrideWorkingDir));
    config.systemPath = settings.value(key::kSystemPath);
    config.libraryPath = settings.value(key::kLibraryPath);
    config.pairProduct = settings.value(key::kPairProduct);
    config.pairReturnCode = yesFlag(settings.value(key::kPairReturnCode));
    return true;
}

}  // namespace qx
