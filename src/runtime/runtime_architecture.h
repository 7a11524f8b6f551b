// Whether the chosen runtime can live in this process or needs the companion launcher.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/pe_header.h"
#include "runtime/runtime_request.h"

namespace qx {

// The machine this launcher was built for: the only one whose JVM library it can load.
#if defined(__aarch64__)
constexpr uint16_t kHostMachine = kMachineArm64;
#elif defined(__x86_64__)
constexpr uint16_t kHostMachine = kMachineAmd64;
#else
constexpr uint16_t kHostMachine = kMachineX86;
#endif

// Recomputes choice.relaunchAsPair: set only in an x64 process with a pair product configured, when
// the library at choice.jvmLibraryPath is a PE image for x86.
void checkRuntimeArchitecture(const RuntimeRequest& request, RuntimeChoice& choice);

// Whether a launcher built for `host` takes the JVM library at `path`. The ARM64 launcher takes ARM64
// images only and passes every other file over with a trace line: Windows on ARM runs x64 and x86
// code only in processes of their own. The x64 and x86 launchers take every library, reading nothing:
// one of the other machine fails to load with its own error, or goes to the pair product.
[[nodiscard]] bool hostsRuntimeLibrary(const std::wstring& path, uint16_t host = kHostMachine);

}  // namespace qx
