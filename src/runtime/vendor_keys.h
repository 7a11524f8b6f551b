// The keys that today's OpenJDK installers write, described as data: where the version subkeys lie,
// which path below each holds the home value and its name, and what kind and family the builds are.
// Pure data: no Windows types.
#pragma once

#include <cstddef>

namespace qx {

enum class RuntimeKind { Jdk, Jre };
enum class RuntimeVendor { Sun, JRockit, Ibm };

struct VendorLayout {
    const wchar_t* key;        // under the registry root, ending in a backslash; its subkeys are versions
    const wchar_t* below;      // the path under each version subkey; empty: the subkey itself
    const wchar_t* homeValue;  // the value naming the runtime home folder
    RuntimeKind kind;          // what the key names
    bool kindFromJavac;        // the key names no kind: a JDK when the home has bin\javac.exe, else a JRE
    RuntimeVendor vendor;      // HotSpot builds count as Sun, OpenJ9 builds as IBM ("VM Provider")
};

// Searched after the seven classic rows, in this order, under HKEY_LOCAL_MACHINE and then under
// HKEY_CURRENT_USER (per-user installs).
extern const VendorLayout kVendorLayouts[14];

}  // namespace qx
