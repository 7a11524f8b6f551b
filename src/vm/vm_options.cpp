#include "vm/vm_options.h"

#include <windows.h>

#include <new>

#include "base/ansi.h"
#include "base/environment.h"
#include "base/split_text.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "vm/class_path.h"
#include "vm/class_path_text.h"
#include "vm/vm_settings.h"

namespace qx {
namespace {

bool equalsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// One redirection target and its append switch, which counts only as exactly "yes".
void takeRedirection(const std::wstring& fileValue, const std::wstring& appendValue, std::wstring& file,
                     uint8_t& append) {
    file = fileValue.empty() ? fileValue : expandOrKeep(fileValue);
    if (appendValue == L"yes") append = 1;
}

}  // namespace

MachineMemory queryMachineMemory() {
    // The Ex form reports the same two figures as GlobalMemoryStatus in 64-bit fields on any machine.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return {};
    return {status.ullTotalPhys, status.ullAvailVirtual};
}

std::wstring classPathOption(const VmOptionList& options) {
    constexpr char kPrefix[] = "-Djava.class.path=";
    constexpr size_t kPrefixLength = sizeof kPrefix - 1;
    for (auto option = options.rbegin(); option != options.rend(); ++option) {
        if (option->compare(0, kPrefixLength, kPrefix) == 0) return fromAnsi(option->substr(kPrefixLength));
    }
    return {};
}

void appendVmOption(VmOptionList& options, const std::wstring& option) {
    try {
        options.push_back(toAnsi(option));
    } catch (const std::bad_alloc&) {
        // The option list drops what it cannot hold; the VM then starts without that option.
    }
}

void processVmParameter(VmSettings& vm, const std::wstring& token, std::vector<std::wstring>& options,
                        const std::function<MachineMemory()>& memory) {
    options.push_back(prepareVmParameter(token, memory, vm.threadStackSize));
}

bool assembleVmOptions(VmSettings& vm, const VmOptionSettings& settings, const VmOptionContext& context) {
    std::wstring classPath = buildClassPath(settings.classPath, context.executablePath);
    if (equalsIgnoringCase(settings.embeddedJar, L"Yes")) {
        std::wstring withExecutable;
        appendClassPathEntry(withExecutable, context.executablePath);
        appendClassPathEntry(withExecutable, classPath);
        classPath = std::move(withExecutable);
    }
    if (classPath.empty()) {
        reportError(kMsgNoClassPath);
        return false;
    }

    const std::function<MachineMemory()> memory = context.memory ? context.memory : queryMachineMemory;
    std::vector<std::wstring> options{L"-Djava.class.path=" + classPath};
    for (const std::wstring& token : splitVmParameters(settings.vmParameters)) {
        processVmParameter(vm, token, options, memory);
    }
    for (const std::wstring& option : options) {
        // Only the exact spelling switches the process; any other spelling still reaches the VM.
        if (option == L"-Dsun.java2d.dpiaware=true" && context.markDpiAware) context.markDpiAware();
        // Expanded only now, so options may name QX_JVM_PATH, QX_JVM_HOME and Path set just before.
        appendVmOption(vm.vmOptions, expandOrKeep(option));
    }

    takeRedirection(settings.outputFile, settings.outputAppend, vm.outputFile, vm.outputAppend);
    takeRedirection(settings.errorFile, settings.errorAppend, vm.errorFile, vm.errorAppend);

    vm.extraCommandLine = settings.cmd;
    if (!vm.extraCommandLine.empty()) {
        vm.extraCommandLine = expandOrKeep(vm.extraCommandLine);
        std::vector<std::wstring> extra;
        splitArguments(vm.extraCommandLine, extra);
        for (std::wstring& argument : extra) {
            if (!argument.empty()) vm.arguments.push_back(std::move(argument));
        }
    }
    return true;
}

}  // namespace qx
