// The JVM option list built from the settings, with the redirection targets and the "Cmd" arguments
// taken in the same pass.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vm/vm_option_list.h"
#include "vm/vm_parameter_text.h"

namespace qx {

struct VmSettings;

// The settings values the pass reads, as the layered lookup gives them.
struct VmOptionSettings {
    std::wstring classPath;     // "Class Path"
    std::wstring embeddedJar;   // "Embedded Jar"
    std::wstring vmParameters;  // "Virtual Machine Parameters"
    std::wstring outputFile, outputAppend, errorFile, errorAppend;
    std::wstring cmd;  // "Cmd"
};

// What the pass takes from the process besides the settings; tests supply their own.
struct VmOptionContext {
    std::wstring executablePath;
    std::function<MachineMemory()> memory;
    std::function<void()> markDpiAware;  // SetProcessDPIAware in the launcher
};

// The machine's total physical memory and the process's free address space.
MachineMemory queryMachineMemory();

// The class path the VM gets: the value of the last "-Djava.class.path=" option, as the VM takes the
// last; empty without one.
std::wstring classPathOption(const VmOptionList& options);

// Appends `option` in the thread's ANSI code page; an option that cannot be stored is dropped.
void appendVmOption(VmOptionList& options, const std::wstring& option);

// One token of "Virtual Machine Parameters": quotes removed, a memory share rewritten, "-Xss" read
// into threadStackSize (the last one wins), then appended to `options`.
void processVmParameter(VmSettings& vm, const std::wstring& token, std::vector<std::wstring>& options,
                        const std::function<MachineMemory()>& memory = queryMachineMemory);

// The whole pass: class path, VM parameters, output and error files, "Cmd". False, after message 209,
// when the class path comes out empty; nothing after the class path is taken then.
[[nodiscard]] bool assembleVmOptions(VmSettings& vm, const VmOptionSettings& settings,
                                     const VmOptionContext& context);

}  // namespace qx
