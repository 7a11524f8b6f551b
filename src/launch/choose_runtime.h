// The last resort of the runtime search: ask the user for a runtime folder and remember the answer.
#pragma once

#include <string>

namespace qx {

struct Launcher;

// Shows the missing-runtime dialog. On OK takes its library (and recomputes relaunchAsPair) and stores
// the folder as "JRE Path"; true when the start may go on. Cancel gives false with nothing written;
// when no dialog can be shown, the error line 224 is written and the result is false.
[[nodiscard]] bool askForMissingRuntime(Launcher& launcher);

// Stores `folder` as "JRE Path" where the next start reads it: the per-user files for an ordinary
// application, the settings files beside the executables for a service. Write failures are ignored;
// nothing is written when the executable's settings path cannot be formed.
void rememberJrePath(const Launcher& launcher, const std::wstring& folder);

}  // namespace qx
