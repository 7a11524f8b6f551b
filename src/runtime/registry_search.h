// Runtimes that their vendors registered in the registry, in the native or the 32-bit view.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/jre_candidate.h"
#include "runtime/runtime_request.h"

namespace qx {

enum class RegistryView { Native, Bits32 };

enum class RuntimeKind { Jdk, Jre };
enum class RuntimeVendor { Sun, JRockit, Ibm };

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

// Collects the searched rows, sorts and selects; on success `home` is the chosen runtime folder. The
// 32-bit view is searched only with a pair product, and a hit there sets choice.relaunchAsPair.
[[nodiscard]] bool searchRegistry(const RuntimeRequest& request, RuntimeChoice& choice, RegistryView view,
                                  std::wstring& home, HKEY root = HKEY_LOCAL_MACHINE);

}  // namespace qx
