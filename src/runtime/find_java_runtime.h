// The runtime search over every source, in order.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/runtime_request.h"

namespace qx {

// Where the search looks besides the request's own folder and JAVA_HOME.
struct RuntimePlaces {
    std::wstring executablePath;  // its folder may hold a private runtime; empty = skip that source
    HKEY registryRoot = HKEY_LOCAL_MACHINE;     // where the vendor keys are read
    HKEY userRegistryRoot = HKEY_CURRENT_USER;  // where per-user installs register theirs
};

// Tries the configured runtime folder, the private runtime beside the executable, the registry and
// JAVA_HOME, in that order; true when choice.jvmLibraryPath was set (relaunchAsPair is then valid).
[[nodiscard]] bool findJavaRuntime(const RuntimeRequest& request, RuntimeChoice& choice,
                                   const RuntimePlaces& places);

}  // namespace qx
