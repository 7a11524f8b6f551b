#include "runtime/registry_search.h"

#include <windows.h>

#include "base/scoped.h"
#include "launch/launcher.h"
#include "runtime/jvm_probe.h"

namespace qx {

const wchar_t* const kJavaRegistryKeys[7] = {
    L"Software\\JavaSoft\\JDK\\",
    L"Software\\JavaSoft\\JRE\\",
    L"Software\\JavaSoft\\Java Development Kit\\",
    L"Software\\JavaSoft\\Java Runtime Environment\\",
    L"Software\\JRockit\\Java Runtime Environment\\",
    L"Software\\JRockit\\Java Development Kit\\",
    L"Software\\IBM\\Java2 Runtime Environment\\",
};

namespace {

enum class Kind { Jdk, Jre };
enum class Vendor { Sun, JRockit, Ibm };

struct KeyRow {
    Kind kind;
    Vendor vendor;
    bool underJre;        // the registered home is a JDK whose runtime lies in its "jre" subfolder
    bool defaultOrderVm;  // the old JRE key is probed in the default order under "favor_server"
};

// Indexed like kJavaRegistryKeys.
constexpr KeyRow kRows[7] = {
    {Kind::Jdk, Vendor::Sun, false, false},     {Kind::Jre, Vendor::Sun, false, false},
    {Kind::Jdk, Vendor::Sun, true, false},      {Kind::Jre, Vendor::Sun, false, true},
    {Kind::Jre, Vendor::JRockit, false, false}, {Kind::Jdk, Vendor::JRockit, true, false},
    {Kind::Jre, Vendor::Ibm, false, false},
};

REGSAM access(RegistryView view) { return KEY_READ | (view == RegistryView::Bits32 ? KEY_WOW64_32KEY : 0); }

bool kindSearched(const Launcher& launcher, Kind kind) {
    return launcher.allowOtherKind || (kind == Kind::Jdk ? launcher.wantJdk : launcher.wantJre);
}

bool kindWanted(const Launcher& launcher, Kind kind) {
    return kind == Kind::Jdk ? launcher.wantJdk : launcher.wantJre;
}

bool vendorPreferred(const Launcher& launcher, Vendor vendor) {
    switch (vendor) {
        case Vendor::Sun:
            return launcher.preferSun;
        case Vendor::JRockit:
            return launcher.preferJRockit;
        case Vendor::Ibm:
            return launcher.preferIbm;
    }
    return false;
}

bool vendorSearched(const Launcher& launcher, Vendor vendor) {
    switch (vendor) {
        case Vendor::Sun:
            return launcher.acceptSun || launcher.preferSun;
        case Vendor::JRockit:
            return launcher.acceptJRockit || launcher.preferJRockit;
        case Vendor::Ibm:
            return launcher.acceptIbm || launcher.preferIbm;
    }
    return false;
}

std::vector<std::wstring> subkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        longest = 255;
    }
    std::wstring buffer(longest + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS status =
            RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < 32768) {
            // A name added since the size query: ask for this index again with room to spare.
            buffer.assign(buffer.size() * 2, L'\0');
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

// The "JavaHome" text up to its first NUL, whatever the value's type; false when there is none. The
// data need not end in a NUL, and may have an odd length.
bool readJavaHome(HKEY key, std::wstring& text) {
    DWORD size = 0;
    if (RegQueryValueExW(key, L"JavaHome", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, L"JavaHome", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
        ERROR_SUCCESS) {
        return false;
    }
    buffer.resize((read + 1) / sizeof(wchar_t));
    text.assign(buffer.c_str());
    return !text.empty();
}

}  // namespace

void collectRegistryCandidates(const Launcher& launcher, std::vector<JreCandidate>& candidates,
                               const std::wstring& key, RegistryView view) {
    size_t row = 0;
    while (row < 7 && key != kJavaRegistryKeys[row]) ++row;
    if (row == 7) return;
    const KeyRow& info = kRows[row];
    const int32_t probeType = info.defaultOrderVm && launcher.jvmType == 2 ? 0 : launcher.jvmType;

    std::vector<std::wstring> names;
    {
        HKEY raw = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access(view), &raw) != ERROR_SUCCESS) return;
        UniqueKey parent(raw);
        names = subkeyNames(parent.get());
    }

    for (const std::wstring& name : names) {
        JreCandidate candidate;
        parseJavaVersion(name, kVersionFillLow, candidate.version);
        if (!meetsVersionBounds(candidate.version, launcher.minimumVersion, launcher.maximumVersion))
            continue;

        HKEY raw = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (key + name).c_str(), 0, access(view), &raw) != ERROR_SUCCESS) {
            continue;
        }
        UniqueKey subkey(raw);
        std::wstring home;
        if (!readJavaHome(subkey.get(), home)) continue;
        if (home.back() != L'\\') home += L'\\';
        if (info.underJre) home += L"jre\\";

        if (probeJvmLibrary(home, probeType, &candidate.server).empty()) continue;
        candidate.home = std::move(home);
        candidate.preferred = kindWanted(launcher, info.kind) && vendorPreferred(launcher, info.vendor);
        candidates.push_back(std::move(candidate));
    }
}

bool searchRegistry(Launcher& launcher, RegistryView view, std::wstring& home) {
    if (view == RegistryView::Bits32 && launcher.pairProduct.empty()) return false;
    std::vector<JreCandidate> candidates;
    for (size_t row = 0; row < 7; ++row) {
        if (kindSearched(launcher, kRows[row].kind) && vendorSearched(launcher, kRows[row].vendor)) {
            collectRegistryCandidates(launcher, candidates, kJavaRegistryKeys[row], view);
        }
    }
    sortCandidates(candidates, launcher.allowOtherKind, launcher.jvmType);
    const JreCandidate* chosen = selectCandidate(candidates, launcher.preferredVersions);
    if (!chosen) return false;
    home = chosen->home;
    // Only a 32-bit runtime is registered in the 32-bit view, and this process cannot host it.
    if (view == RegistryView::Bits32) launcher.relaunchAsPair = 1;
    return true;
}

}  // namespace qx
