#include "vm/vm_options.h"

#include <windows.h>

#include <new>

#include "base/ansi.h"
#include "base/module_path.h"
#include "config/launcher_settings.h"
#include "config/layered_store.h"
#include "config/split_text.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "launch/launcher.h"
#include "vm/class_path.h"

namespace qx {
namespace {

bool equalsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Reads one redirection target and its append switch, which counts only as exactly "yes".
void readRedirection(LayeredStore& settings, const wchar_t* fileKey, const wchar_t* appendKey,
                     std::wstring& file, uint8_t& append) {
    file = settings.value(L"Application", fileKey);
    if (!file.empty()) file = expandOrKeep(file);
    if (settings.value(L"Application", appendKey) == L"yes") append = 1;
}

}  // namespace

MachineMemory queryMachineMemory() {
    // The Ex form reports the same two figures as GlobalMemoryStatus in 64-bit fields on any machine.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return {};
    return {status.ullTotalPhys, status.ullAvailVirtual};
}

std::wstring expandOrKeep(const std::wstring& text) {
    // ExpandEnvironmentStringsW is documented for at most 32K units, and Wine silently cuts longer
    // results; text that may reach that size is kept as it was, like any failed expansion.
    constexpr DWORD kExpandLimit = 32767;
    if (text.size() >= kExpandLimit) return text;
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0 || needed >= kExpandLimit) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return text;
    expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
    return expanded;
}

void appendVmOption(VmOptionList& options, const std::wstring& option) {
    try {
        options.push_back(toAnsi(option));
    } catch (const std::bad_alloc&) {
        // The option list drops what it cannot hold; the VM then starts without that option.
    }
}

void processVmParameter(Launcher& launcher, const std::wstring& token, std::vector<std::wstring>& options,
                        const std::function<MachineMemory()>& memory) {
    options.push_back(prepareVmParameter(token, memory, launcher.threadStackSize));
}

bool assembleVmOptions(Launcher& launcher, LayeredStore& settings, const VmOptionContext& context) {
    std::wstring classPath =
        buildClassPath(settings.value(L"Class Path", L"Class Path"), context.executablePath);
    if (equalsIgnoringCase(settings.value(L"Application", L"Embedded Jar"), L"Yes")) {
        classPath.insert(0, context.executablePath + L";");
    }
    if (classPath.empty()) {
        reportError(kMsgNoClassPath);
        return false;
    }

    const std::function<MachineMemory()> memory = context.memory ? context.memory : queryMachineMemory;
    std::vector<std::wstring> options{L"-Djava.class.path=" + classPath};
    const std::wstring parameters =
        settings.value(L"Java Runtime Environment", L"Virtual Machine Parameters");
    for (const std::wstring& token : splitVmParameters(parameters)) {
        processVmParameter(launcher, token, options, memory);
    }
    for (const std::wstring& option : options) {
        // Only the exact spelling switches the process; any other spelling still reaches the VM.
        if (option == L"-Dsun.java2d.dpiaware=true" && context.markDpiAware) context.markDpiAware();
        // Expanded only now, so options may name QX_JVM_PATH, QX_JVM_HOME and Path set just before.
        appendVmOption(launcher.vmOptions, expandOrKeep(option));
    }

    readRedirection(settings, L"Output File", L"Output Append", launcher.outputFile, launcher.outputAppend);
    readRedirection(settings, L"Error File", L"Error Append", launcher.errorFile, launcher.errorAppend);

    launcher.extraCommandLine = settings.value(L"Application", L"Cmd");
    if (!launcher.extraCommandLine.empty()) {
        launcher.extraCommandLine = expandOrKeep(launcher.extraCommandLine);
        std::vector<std::wstring> extra;
        splitArguments(launcher.extraCommandLine, extra);
        for (std::wstring& argument : extra) {
            if (!argument.empty()) launcher.arguments.push_back(std::move(argument));
        }
    }
    return true;
}

bool assembleVmOptions(Launcher& launcher) {
    LayeredStore settings;
    if (!openLauncherSettings(launcher, settings)) return false;
    VmOptionContext context;
    if (!moduleFilePath(context.executablePath)) return false;
    context.memory = queryMachineMemory;
    context.markDpiAware = [] { SetProcessDPIAware(); };
    return assembleVmOptions(launcher, settings, context);
}

}  // namespace qx
