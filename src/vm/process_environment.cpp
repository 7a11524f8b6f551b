#include "vm/process_environment.h"

#include <windows.h>

#include "base/module_path.h"
#include "base/path_text.h"
#include "launch/launcher.h"
#include "vm/vm_options.h"

namespace qx {
namespace {

void setVariable(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.c_str());
}

// The executable's folder with its final backslash; empty when the path is unavailable.
std::wstring launcherFolder() {
    std::wstring path;
    if (!moduleFilePath(path)) return {};
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

void prepareProcessEnvironment(Launcher& launcher) {
    const std::wstring home = cutPathComponents(launcher.jvmLibraryPath, 3);
    setVariable(L"QX_JVM_PATH", launcher.jvmLibraryPath);
    setVariable(L"QX_JVM_HOME", home);

    if (!launcher.libraryPath.empty()) {
        std::wstring text = launcher.libraryPath;
        if (text.back() != L';') text += L';';
        text += launcherFolder();
        text += L";.;%Path%;" + home + L"\\lib";
        // Path is changed only below, so %Path% here is the one the launcher was started with.
        appendVmOption(launcher.vmOptions, L"-Djava.library.path=" + expandOrKeep(text));
    }

    std::wstring path;
    if (!launcher.systemPath.empty()) {
        path = launcher.systemPath;
        if (path.back() != L';') path += L';';
    }
    path += L"%Path%;" + cutPathComponents(launcher.jvmLibraryPath, 2);
    setVariable(L"Path", expandOrKeep(path));
}

}  // namespace qx
