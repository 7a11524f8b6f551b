// Whether the chosen runtime can live in this process or needs the companion launcher.
#pragma once

#include "runtime/runtime_request.h"

namespace qx {

// Recomputes choice.relaunchAsPair: set only in the x64 launcher with a pair product configured, when
// the library at choice.jvmLibraryPath is a PE image for x86.
void checkRuntimeArchitecture(const RuntimeRequest& request, RuntimeChoice& choice);

}  // namespace qx
