// One instance per executable path: the first start listens, a later start hands its arguments to the
// first one's "secondaryMain" and takes that method's answer as its exit code.
#pragma once

#include <cstdint>

namespace qx {

struct Launcher;

// Reads "Single Instance" (never for a service) and, when it is exactly "yes", becomes the primary
// (mapping, ready event, message numbers, listener thread) or hands the arguments to the primary. A
// failure to set the mode up leaves it off. False ends the start with -1: the settings file path
// cannot be formed, the block was not written by a primary, the arguments do not fit it, the request
// cannot be posted or the primary never took it.
[[nodiscard]] bool setupSingleInstance(Launcher& launcher);

// The secondary run mode: the primary's answer, or its exit code once it has ended without one; 0 when
// the primary could not be opened.
int32_t waitForPrimary(Launcher& launcher);

// Primary: stops the listener, so no request is taken any more, and lets requests that wait for main
// give up. Part of the launcher's destruction, before the VM goes.
void stopHandoffs(Launcher& launcher);

// Stops handoffs, waits for every handoff thread and releases the block; part of the launcher's
// destruction, after the VM has gone.
void releaseSingleInstance(Launcher& launcher);

}  // namespace qx
