// What the application asks of a Java runtime, and which runtime the search settled on. Pure data: no
// Windows types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/java_version.h"

namespace qx {

// "JVM Type": which VM folders a runtime home is probed for, and whether a server VM wins the order.
enum JvmType : int32_t {
    kJvmAny = 0,          // the default order: client, classic, hotspot, server, jrockit
    kJvmServer = 1,       // "server": bin\server\jvm.dll only
    kJvmFavorServer = 2,  // "favor_server": bin\server\jvm.dll first, and server VMs sort first
};

// The settings that decide which runtime may be used (filled by the configuration loader).
struct RuntimeRequest {
    JvmType jvmType = kJvmAny;
    JavaVersion minimumVersion;
    JavaVersion maximumVersion;
    // "JVM Source": runtime kinds searched and favoured.
    uint8_t wantJdk = 0, wantJre = 0, allowOtherKind = 1;
    // "VM Provider": vendors searched (accept) and favoured (prefer). Sun alone by default.
    uint8_t acceptJRockit = 0, acceptSun = 1, acceptIbm = 0;
    uint8_t preferJRockit = 0, preferSun = 1, preferIbm = 0;
    std::vector<std::wstring> preferredVersions;
    // "Vendor Keys": the registry search reads today's vendor keys after the seven classic rows.
    uint8_t vendorKeys = 1;
    std::wstring jrePath;      // configured runtime home, absolute; empty = none
    std::wstring pairProduct;  // the companion (32-bit) launcher; empty = none
};

// Only the x64 launcher hands a 32-bit runtime to its pair product. The 32-bit companion hosts such a
// runtime itself (its native registry view is the 32-bit one), and a companion whose settings name a
// pair product too must not start it, or each start would start the next. The ARM64 launcher passes
// x86 runtimes over, as every runtime not built for ARM64, and reads the native registry view only.
#if defined(__x86_64__)
constexpr bool kHandsX86RuntimesToPair = true;
#else
constexpr bool kHandsX86RuntimesToPair = false;
#endif

// The provider words "ibm" and "favor_ibm": those runtimes end the process themselves, so a thread that
// ran Java code for the launcher stays attached to the VM instead of detaching.
inline bool staysAttachedToVm(const RuntimeRequest& request) {
    return request.acceptIbm && request.preferIbm;
}

// The runtime the search (or the user) chose.
struct RuntimeChoice {
    std::wstring jvmLibraryPath;  // full path of jvm.dll; empty until a runtime is found
    uint8_t relaunchAsPair = 0;   // the runtime is 32-bit: the pair product runs the application
};

}  // namespace qx
