// The JVM option list built from the settings, with the redirection targets and the "Cmd" arguments
// read in the same pass.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vm/vm_option_list.h"
#include "vm/vm_parameter_text.h"

namespace qx {

struct Launcher;
class LayeredStore;

// What the pass takes from the process besides the settings; tests supply their own.
struct VmOptionContext {
    std::wstring executablePath;
    std::function<MachineMemory()> memory;
    std::function<void()> markDpiAware;  // SetProcessDPIAware in the launcher
};

// The machine's total physical memory and the process's free address space.
MachineMemory queryMachineMemory();

// Environment references expanded; on failure the text stays as it was.
std::wstring expandOrKeep(const std::wstring& text);

// Appends `option` in the thread's ANSI code page; an option that cannot be stored is dropped.
void appendVmOption(VmOptionList& options, const std::wstring& option);

// One token of "Virtual Machine Parameters": quotes removed, a memory share rewritten, "-Xss" read
// into threadStackSize (the last one wins), then appended to `options`.
void processVmParameter(Launcher& launcher, const std::wstring& token, std::vector<std::wstring>& options,
                        const std::function<MachineMemory()>& memory = queryMachineMemory);

// The whole pass over `settings`: class path, VM parameters, output and error files, "Cmd". False,
// after message 209, when the class path comes out empty; nothing after the class path is read then.
bool assembleVmOptions(Launcher& launcher, LayeredStore& settings, const VmOptionContext& context);

// The same over the launcher's own settings (the file beside the executable and the embedded text),
// with the executable as the class path's anchor. False when the settings file path cannot be formed
// (nothing added) or the class path is empty.
bool assembleVmOptions(Launcher& launcher);

}  // namespace qx
