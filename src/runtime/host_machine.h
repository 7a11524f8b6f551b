// Which runtimes this launcher can host in its own process: those built for its own machine.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/pe_header.h"

namespace qx {

// The machine this launcher was built for.
#if defined(__aarch64__)
constexpr uint16_t kHostMachine = kMachineArm64;
#elif defined(__x86_64__)
constexpr uint16_t kHostMachine = kMachineAmd64;
#else
constexpr uint16_t kHostMachine = kMachineX86;
#endif

// Whether a launcher built for `host` takes the JVM library at `path`. The ARM64 launcher takes ARM64
// images only and passes every other file over with a trace line: Windows on ARM runs x64 and x86
// code only in processes of their own. The x64 and x86 launchers take every library, reading nothing:
// one of the other machine fails to load with its own error, or goes to the pair product.
[[nodiscard]] bool hostsRuntimeLibrary(const std::wstring& path, uint16_t host);

// The same for this launcher; outside the ARM64 build it costs nothing, not even the code above.
[[nodiscard]] inline bool hostsRuntimeLibrary(const std::wstring& path) {
    return kHostMachine != kMachineArm64 || hostsRuntimeLibrary(path, kHostMachine);
}

}  // namespace qx
