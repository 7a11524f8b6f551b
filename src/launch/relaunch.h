// The relaunch mode: the chosen runtime is 32-bit, so the companion launcher runs the application.
#pragma once

#include <cstdint>

namespace qx {

struct Launcher;

// Starts pairProduct with this process's command line unchanged. With pairReturnCode it waits and
// returns the companion's exit code, otherwise 0 at once; -1 (after an error line) when it cannot start.
int32_t relaunchPairProduct(Launcher& launcher);

}  // namespace qx
