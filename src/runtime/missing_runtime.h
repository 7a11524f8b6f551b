// The last resort of the runtime search: ask the user for a runtime folder and remember the answer.
#pragma once

#include <string>

namespace qx {

struct Launcher;

// The dialog's message: 206 when a server JVM is required, else 207, with the requirement phrase.
std::wstring missingRuntimeMessage(const Launcher& launcher);

// False when this process's window station shows nothing to a user (a service, a disconnected
// session), so a dialog would wait for an answer that cannot come.
bool hasInteractiveDesktop();

// Shows the missing-runtime dialog. On OK takes its library (and recomputes relaunchAsPair) and stores
// the folder as "JRE Path"; true when the start may go on. Cancel gives false with nothing written;
// when no dialog can be shown, the error line 224 is written and the result is false.
bool askForMissingRuntime(Launcher& launcher);

// Stores `folder` as "JRE Path" where the next start reads it: the per-user files for an ordinary
// application, the settings files beside the executables for a service. Write failures are ignored;
// nothing is written when the executable's settings path cannot be formed.
void rememberJrePath(const Launcher& launcher, const std::wstring& folder);

}  // namespace qx
