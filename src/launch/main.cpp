#include <windows.h>

#include "launch/launch_sequence.h"
#include "launch/launcher.h"

int wmain() {
    qx::Launcher launcher;
    // Every 8-bit conversion uses the thread's ANSI code page: make it the system default's.
    SetThreadLocale(GetSystemDefaultLCID());
    int32_t result = -1;
    if (qx::initialize(launcher)) result = qx::run(launcher);
    return result;
}
