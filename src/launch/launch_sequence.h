// The launch sequence: initialisation, then one of the run modes.
#pragma once

#include <cstdint>

namespace qx {

struct Launcher;

// Arguments, configuration, single-instance set-up, working folder and runtime search. True when the
// run may go on.
[[nodiscard]] bool initialize(Launcher& launcher);
// Runs the chosen mode and returns the process exit code.
int32_t run(Launcher& launcher);

}  // namespace qx
