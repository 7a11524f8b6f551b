#include "runtime/registry_search.h"

#include <windows.h>

#include "base/scoped.h"
#include "runtime/jvm_probe.h"

namespace qx {

const RegistryRow kRegistryRows[7] = {
    {L"Software\\JavaSoft\\JDK\\", RuntimeKind::Jdk, RuntimeVendor::Sun, false, false},
    {L"Software\\JavaSoft\\JRE\\", RuntimeKind::Jre, RuntimeVendor::Sun, false, false},
    {L"Software\\JavaSoft\\Java Development Kit\\", RuntimeKind::Jdk, RuntimeVendor::Sun, true, false},
    {L"Software\\JavaSoft\\Java Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::Sun, false, true},
    {L"Software\\JRockit\\Java Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::JRockit, false,
     false},
    {L"Software\\JRockit\\Java Development Kit\\", RuntimeKind::Jdk, RuntimeVendor::JRockit, true, false},
    {L"Software\\IBM\\Java2 Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::Ibm, false, false},
};

namespace {

REGSAM access(RegistryView view) { return KEY_READ | (view == RegistryView::Bits32 ? KEY_WOW64_32KEY : 0); }

bool kindWanted(const RuntimeRequest& request, RuntimeKind kind) {
    return kind == RuntimeKind::Jdk ? request.wantJdk : request.wantJre;
}

bool kindSearched(const RuntimeRequest& request, RuntimeKind kind) {
    return request.allowOtherKind || kindWanted(request, kind);
}

bool vendorPreferred(const RuntimeRequest& request, RuntimeVendor vendor) {
    switch (vendor) {
        case RuntimeVendor::Sun:
            return request.preferSun;
        case RuntimeVendor::JRockit:
            return request.preferJRockit;
        case RuntimeVendor::Ibm:
            return request.preferIbm;
    }
    return false;
}

bool vendorSearched(const RuntimeRequest& request, RuntimeVendor vendor) {
    switch (vendor) {
        case RuntimeVendor::Sun:
            return request.acceptSun || request.preferSun;
        case RuntimeVendor::JRockit:
            return request.acceptJRockit || request.preferJRockit;
        case RuntimeVendor::Ibm:
            return request.acceptIbm || request.preferIbm;
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

void collectRegistryCandidates(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
                               const RegistryRow& row, RegistryView view, HKEY root) {
    const int32_t probeType =
        row.defaultOrderVm && request.jvmType == kJvmFavorServer ? kJvmAny : request.jvmType;
    const std::wstring key = row.key;

    std::vector<std::wstring> names;
    {
        UniqueKey parent;
        if (RegOpenKeyExW(root, key.c_str(), 0, access(view), parent.put()) != ERROR_SUCCESS) return;
        names = subkeyNames(parent.get());
    }

    for (const std::wstring& name : names) {
        JreCandidate candidate;
        // A name without digits is 0.0.0.0 and filtered like any other.
        static_cast<void>(parseJavaVersion(name, kVersionFillLow, candidate.version));
        if (!meetsVersionBounds(candidate.version, request.minimumVersion, request.maximumVersion)) continue;

        UniqueKey subkey;
        if (RegOpenKeyExW(root, (key + name).c_str(), 0, access(view), subkey.put()) != ERROR_SUCCESS)
            continue;
        std::wstring home;
        if (!readJavaHome(subkey.get(), home)) continue;
        if (home.back() != L'\\') home += L'\\';
        if (row.underJre) home += L"jre\\";

        if (probeJvmLibrary(home, probeType, &candidate.server).empty()) continue;
        candidate.home = std::move(home);
        candidate.preferred = kindWanted(request, row.kind) && vendorPreferred(request, row.vendor);
        candidates.push_back(std::move(candidate));
    }
}

bool searchRegistry(const RuntimeRequest& request, RuntimeChoice& choice, RegistryView view,
                    std::wstring& home, HKEY root) {
    if (view == RegistryView::Bits32 && request.pairProduct.empty()) return false;
    std::vector<JreCandidate> candidates;
    for (const RegistryRow& row : kRegistryRows) {
        if (kindSearched(request, row.kind) && vendorSearched(request, row.vendor)) {
            collectRegistryCandidates(request, candidates, row, view, root);
        }
    }
    sortCandidates(candidates, request.allowOtherKind, request.jvmType);
    const JreCandidate* chosen = selectCandidate(candidates, request.preferredVersions);
    if (!chosen) return false;
    home = chosen->home;
    // Only a 32-bit runtime is registered in the 32-bit view, and this process cannot host it.
    if (view == RegistryView::Bits32) choice.relaunchAsPair = 1;
    return true;
}

}  // namespace qx
