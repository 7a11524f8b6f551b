// The one launcher object: built first by the entry point, destroyed just before it returns. Its fields
// are declared by the subsystems that read them.
#pragma once

#include <string>

#include "config/configuration.h"
#include "launch/single_instance_state.h"
#include "runtime/runtime_request.h"

namespace qx {

struct Launcher : LauncherSettings, RuntimeChoice, SingleInstanceState {
    Launcher();  // publishes itself to the VM's exit and abort hooks (gLauncher)
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    std::wstring executablePath;  // read once, at the start of initialize
};

}  // namespace qx
