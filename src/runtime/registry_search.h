// Runtimes that their vendors registered in the registry, in the native or the 32-bit view.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/jre_candidate.h"
#include "runtime/runtime_request.h"
#include "runtime/vendor_keys.h"

namespace qx {

enum class RegistryView { Native, Bits32 };

// One vendor key the search reads, with what its runtimes are.
struct RegistryRow {
    const wchar_t* key;  // under the registry root, ending in a backslash
    RuntimeKind kind;
    RuntimeVendor vendor;
    bool underJre;        // the registered home is a JDK whose runtime lies in its "jre" subfolder
    bool defaultOrderVm;  // the old JRE key is probed in the default order under "favor_server"
};

// The seven vendor keys, in search order.
extern const RegistryRow kRegistryRows[7];

// Appends the runtimes registered under row->key below `root` that meet the version bounds and hold a
// JVM library, in enumeration order.
void collectRegistryCandidates(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
                               const RegistryRow& row, RegistryView view, HKEY root = HKEY_LOCAL_MACHINE);

// Appends the runtimes registered in `layout` below `root` whose kind and vendor the request searches,
// that meet the version bounds and hold a JVM library, in enumeration order. `hive` names the root in
// the trace.
void collectVendorCandidates(const RuntimeRequest& request, std::vector<JreCandidate>& candidates,
                             const VendorLayout& layout, RegistryView view, HKEY root,
                             const wchar_t* hive = L"HKLM");

// Collects the searched rows, sorts and selects; on success `home` is the chosen runtime folder. One
// pass reads the seven rows under `root`, then (unless request.vendorKeys is off) the vendor layouts
// under `root` and, in the native view only, under `userRoot`: a per-user key has no 32-bit twin. A
// tie in the sort keeps that order. The 32-bit view is searched only by the x64 launcher with a pair
// product, and a hit there sets choice.relaunchAsPair.
[[nodiscard]] bool searchRegistry(const RuntimeRequest& request, RuntimeChoice& choice, RegistryView view,
                                  std::wstring& home, HKEY root = HKEY_LOCAL_MACHINE,
                                  HKEY userRoot = HKEY_CURRENT_USER);

}  // namespace qx
