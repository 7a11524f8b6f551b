#include "runtime/registry_search.h"

#include <windows.h>

#include "base/scoped.h"
#include "diag/trace.h"
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

// The native view of the 32-bit companion is the 32-bit one.
const wchar_t* viewName(RegistryView view) {
    return view == RegistryView::Bits32 || sizeof(void*) == 4 ? L"32-bit" : L"64-bit";
}

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

// The text of value `valueName` up to its first NUL, whatever the value's type; false when there is none.
// The data need not end in a NUL, and may have an odd length.
bool readHome(HKEY key, const wchar_t* valueName, std::wstring& text) {
    // Most homes fit a first buffer of the classic path length: one registry call, not a size query
    // and a read, for each of possibly hundreds of registered runtimes.
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD read = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    LSTATUS status =
        RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &read);
    if (status == ERROR_MORE_DATA) {
        buffer.assign(read / sizeof(wchar_t) + 1, L'\0');
        read = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status =
            RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &read);
    }
    if (status != ERROR_SUCCESS) return false;
    buffer.resize((read + 1) / sizeof(wchar_t));
    text.assign(buffer.c_str());
    return !text.empty();
}

// One key whose subkeys are versions: a classic row or a vendor layout.
struct KeyWalk {
    const wchar_t* key;
    const wchar_t* below;
    const wchar_t* homeValue;
    RuntimeKind kind;
    bool kindFromJavac;
    RuntimeVendor vendor;
    bool underJre;
    bool defaultOrderVm;
    const wchar_t* hive;
};

KeyWalk walkOf(const RegistryRow& row, const wchar_t* hive) {
    return {row.key, L"", L"JavaHome", row.kind, false, row.vendor, row.underJre, row.defaultOrderVm, hive};
}

KeyWalk walkOf(const VendorLayout& layout, const wchar_t* hive) {
    return {
        layout.key, layout.below, layout.homeValue, layout.kind, layout.kindFromJavac, layout.vendor, false,
        false,      hive};
}

// An upper bound as the user wrote it: "21" is 21.65535.65535.65535, printed "21" rather than "21.65535".
std::wstring boundText(const JavaVersion& bound) {
    std::wstring text = formatJavaVersion(bound);
    const std::wstring unset = L".65535";
    if (text.size() > unset.size() && text.compare(text.size() - unset.size(), unset.size(), unset) == 0) {
        text.resize(text.size() - unset.size());
    }
    return text;
}

void traceSubkey(const KeyWalk& walk, RegistryView view, const std::wstring& name, const JavaVersion& version,
                 const std::wstring& verdict) {
    trace(std::wstring(L"registry ") + viewName(view) + L" " + walk.hive + L"\\" + walk.key + name +
          (*walk.below ? L"\\" : L"") + walk.below + L" version " + formatJavaVersion(version) + L": " +
          verdict);
}

std::vector<std::wstring> subkeysOf(const KeyWalk& walk, RegistryView view, HKEY root) {
    UniqueKey parent;
    if (RegOpenKeyExW(root, walk.key, 0, access(view), parent.put()) != ERROR_SUCCESS) return {};
    return subkeyNames(parent.get());
}

// Only for the trace: a key the request does not search, with why, so a registered runtime that was
// passed over is visible.
void traceSkipped(const KeyWalk& walk, RegistryView view, HKEY root, const wchar_t* verdict) {
    for (const std::wstring& name : subkeysOf(walk, view, root)) {
        JavaVersion version;
        static_cast<void>(parseJavaVersion(name, kVersionFillLow, version));
        traceSubkey(walk, view, name, version, verdict);
    }
}

// Whether the runtimes of a key are looked at whole as they are found, or only as far as sorting
// them needs: their home folder is then read and probed only when the choice reaches them.
enum class Look { Now, WhenChosen };

// Where a registered runtime was found, and how far it has been looked at.
struct Registration {
    KeyWalk walk;
    HKEY root;
    std::wstring name;  // the version subkey
    bool homeRead;      // the candidate's home holds its folder
    bool probed;        // and the folder holds a JVM library
};

// The runtime folder that the version subkey `name` names; false (with why, for the trace) when the
// subkey or its home value is missing or empty.
bool readRegisteredHome(const KeyWalk& walk, RegistryView view, HKEY root, const std::wstring& name,
                        std::wstring& home, std::wstring& why) {
    UniqueKey subkey;
    std::wstring path = walk.key + name;
    if (*walk.below) path += std::wstring(L"\\") + walk.below;
    if (RegOpenKeyExW(root, path.c_str(), 0, access(view), subkey.put()) != ERROR_SUCCESS) {
        why = L"no such key";
        return false;
    }
    if (!readHome(subkey.get(), walk.homeValue, home)) {
        why = std::wstring(L"no ") + walk.homeValue;
        return false;
    }
    if (home.back() != L'\\') home += L'\\';
    if (walk.underJre) home += L"jre\\";
    return true;
}

// Appends the runtimes registered under one key in enumeration order, each with where it was found.
// Looked at now, a runtime without a home or a JVM library is left out. Otherwise what sorting needs
// is read: the version from the subkey's name, the kind from the key, or from bin\javac.exe for keys
// that name none.
void collect(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
             std::vector<Registration>& registrations, const KeyWalk& walk, RegistryView view, HKEY root,
             Look look = Look::Now) {
    const int32_t probeType =
        walk.defaultOrderVm && request.jvmType == kJvmFavorServer ? kJvmAny : request.jvmType;
    const bool tracing = traceOn();

    for (const std::wstring& name : subkeysOf(walk, view, root)) {
        JreCandidate candidate;
        // A name without digits is 0.0.0.0 and filtered like any other.
        static_cast<void>(parseJavaVersion(name, kVersionFillLow, candidate.version));
        if (!meetsVersionBounds(candidate.version, request.minimumVersion, request.maximumVersion)) {
            if (tracing) {
                const bool below = compareJavaVersions(candidate.version, request.minimumVersion) < 0;
                traceSubkey(walk, view, name, candidate.version,
                            below ? L"below minimum " + formatJavaVersion(request.minimumVersion)
                                  : L"above maximum " + boundText(request.maximumVersion));
            }
            continue;
        }
        candidate.probeType = probeType;
        Registration where{walk, root, name, false, false};

        RuntimeKind kind = walk.kind;
        if (look == Look::Now || walk.kindFromJavac) {
            std::wstring why;
            if (!readRegisteredHome(walk, view, root, name, candidate.home, why)) {
                if (tracing) traceSubkey(walk, view, name, candidate.version, why);
                continue;
            }
            where.homeRead = true;
            if (walk.kindFromJavac) {
                kind = pathExists(candidate.home + L"bin\\javac.exe") ? RuntimeKind::Jdk : RuntimeKind::Jre;
                if (!kindSearched(request, kind)) {
                    if (tracing) traceSubkey(walk, view, name, candidate.version, L"kind not wanted");
                    continue;
                }
            }
        }
        if (look == Look::Now) {
            if (probeJvmLibrary(candidate.home, probeType, &candidate.server).empty()) {
                if (tracing)
                    traceSubkey(walk, view, name, candidate.version, L"no jvm.dll under " + candidate.home);
                continue;
            }
            if (tracing) traceSubkey(walk, view, name, candidate.version, L"candidate " + candidate.home);
            where.probed = true;
        }
        candidate.preferred = kindWanted(request, kind) && vendorPreferred(request, walk.vendor);
        candidate.found = registrations.size();
        candidates.push_back(std::move(candidate));
        registrations.push_back(std::move(where));
    }
}

// Reads and probes what has not been looked at yet; true when the runtime holds a JVM library.
bool holdsLibrary(JreCandidate& candidate, Registration& where, RegistryView view) {
    std::wstring why;
    if (!where.homeRead &&
        !readRegisteredHome(where.walk, view, where.root, where.name, candidate.home, why)) {
        return false;
    }
    where.homeRead = true;
    return where.probed || !probeJvmLibrary(candidate.home, candidate.probeType, &candidate.server).empty();
}

// Collects one key when the request searches its kind and vendor; else only traces why not.
void collectIfSearched(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
                       std::vector<Registration>& registrations, const KeyWalk& walk, RegistryView view,
                       HKEY root, Look look = Look::Now) {
    const bool kindOk = walk.kindFromJavac || kindSearched(request, walk.kind);
    const bool vendorOk = vendorSearched(request, walk.vendor);
    if (kindOk && vendorOk) {
        collect(request, candidates, registrations, walk, view, root, look);
    } else if (traceOn()) {
        traceSkipped(walk, view, root, kindOk ? L"provider not wanted" : L"kind not wanted");
    }
}

void traceSorted(const RuntimeRequest& request, const std::vector<JreCandidate>& sorted,
                 const JreCandidate* chosen, RegistryView view) {
    trace(L"registry " + std::wstring(viewName(view)) + L" view: " + std::to_wstring(sorted.size()) +
          L" candidate(s), best first");
    for (const JreCandidate& candidate : sorted) {
        trace(L"  " + formatJavaVersion(candidate.version) + L" " + candidate.home +
              (candidate.preferred ? L" preferred" : L"") + (candidate.server ? L" server" : L""));
    }
    if (!chosen) return;
    std::wstring why = L"first in order";
    for (const std::wstring& entry : request.preferredVersions) {
        if (matchesPreferredVersion(entry, chosen->version)) {
            why = L"matches preferred version \"" + entry + L"\"";
            break;
        }
    }
    if (!request.preferredVersions.empty() && why == L"first in order")
        why += L"; no preferred version matched";
    trace(L"registry " + std::wstring(viewName(view)) + L" view: chosen " + chosen->home + L" (" + why +
          L")");
}

}  // namespace

void collectRegistryCandidates(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
                               const RegistryRow& row, RegistryView view, HKEY root) {
    std::vector<Registration> registrations;
    collect(request, candidates, registrations, walkOf(row, L"HKLM"), view, root);
}

void collectVendorCandidates(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
                             const VendorLayout& layout, RegistryView view, HKEY root, const wchar_t* hive) {
    std::vector<Registration> registrations;
    collectIfSearched(request, candidates, registrations, walkOf(layout, hive), view, root);
}

bool searchRegistry(const RuntimeRequest& request, RuntimeChoice& choice, RegistryView view,
                    std::wstring& home, HKEY root, HKEY userRoot) {
    if (view == RegistryView::Bits32 && (request.pairProduct.empty() || !kHandsX86RuntimesToPair))
        return false;
    // Most registered runtimes cannot win. Sorted on what their keys say, only those the choice reaches
    // are opened and probed: a registry read, and up to five file look-ups, each. The trace lists every
    // runtime's verdict, and "favor_server" sorts on what the probe finds, so both look at every
    // runtime as it is found.
    const Look look = traceOn() || request.jvmType == kJvmFavorServer ? Look::Now : Look::WhenChosen;
    std::vector<JreCandidate> candidates;
    std::vector<Registration> registrations;
    for (const RegistryRow& row : kRegistryRows) {
        collectIfSearched(request, candidates, registrations, walkOf(row, L"HKLM"), view, root, look);
    }
    if (request.vendorKeys) {
        for (const VendorLayout& layout : kVendorLayouts) {
            collectIfSearched(request, candidates, registrations, walkOf(layout, L"HKLM"), view, root, look);
        }
        if (view == RegistryView::Native) {
            for (const VendorLayout& layout : kVendorLayouts) {
                collectIfSearched(request, candidates, registrations, walkOf(layout, L"HKCU"), view, userRoot,
                                  look);
            }
        }
    } else if (traceOn()) {
        trace(L"registry: vendor keys off (\"Vendor Keys\" = No)");
    }

    sortCandidates(candidates, request.allowOtherKind, request.jvmType);
    // Each runtime is looked at once at most, however many preferred versions it matches.
    std::vector<int8_t> usable(candidates.size(), -1);
    const JreCandidate* chosen = nullptr;
    for (size_t i : choiceOrder(candidates, request.preferredVersions)) {
        if (usable[i] < 0) usable[i] = holdsLibrary(candidates[i], registrations[candidates[i].found], view);
        if (usable[i] == 1) {
            chosen = &candidates[i];
            break;
        }
    }
    if (traceOn()) traceSorted(request, candidates, chosen, view);
    if (!chosen) return false;
    home = chosen->home;
    // Only a 32-bit runtime is registered in the 32-bit view, and this process cannot host it.
    if (view == RegistryView::Bits32) choice.relaunchAsPair = 1;
    return true;
}

}  // namespace qx
