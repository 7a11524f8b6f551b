#include "vm/process_environment.h"

#include <windows.h>

#include "base/environment.h"
#include "base/path_text.h"
#include "vm/vm_options.h"
#include "vm/vm_settings.h"

namespace qx {
namespace {

void setVariable(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.c_str());
}

// The executable's folder with its final backslash; empty when the path has none.
std::wstring launcherFolder(const std::wstring& executablePath) {
    const size_t slash = executablePath.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : executablePath.substr(0, slash + 1);
}

}  // namespace

void prepareProcessEnvironment(VmSettings& vm, const std::wstring& jvmLibraryPath,
                               const std::wstring& executablePath) {
    const std::wstring home = cutPathComponents(jvmLibraryPath, 3);
    setVariable(L"QX_JVM_PATH", jvmLibraryPath);
    setVariable(L"QX_JVM_HOME", home);
    // Settings name the application's own files by it, wherever the application was installed.
    const std::wstring folder = launcherFolder(executablePath);
    setVariable(L"QX_EXE_DIR", folder.empty() ? folder : folder.substr(0, folder.size() - 1));

    if (!vm.libraryPath.empty()) {
        std::wstring text = vm.libraryPath;
        if (text.back() != L';') text += L';';
        text += launcherFolder(executablePath);
        text += L";.;%Path%;" + home + L"\\lib";
        // Path is changed only below, so %Path% here is the one the launcher was started with.
        appendVmOption(vm.vmOptions, L"-Djava.library.path=" + expandOrKeep(text));
    }

    std::wstring path;
    if (!vm.systemPath.empty()) {
        path = vm.systemPath;
        if (path.back() != L';') path += L';';
    }
    path += L"%Path%;" + cutPathComponents(jvmLibraryPath, 2);
    setVariable(L"Path", expandOrKeep(path));
}

}  // namespace qx
