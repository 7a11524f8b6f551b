#include "runtime/find_java_runtime.h"

#include "base/environment.h"
#include "base/module_path.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "runtime/jvm_probe.h"
#include "runtime/registry_search.h"

namespace qx {
namespace {

std::wstring withBackslash(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

bool configuredRuntime(Launcher& launcher) {
    if (launcher.jrePath.empty()) return false;
    launcher.jvmLibraryPath = probeJvmLibrary(withBackslash(launcher.jrePath), launcher.jvmType);
    if (launcher.jvmLibraryPath.empty()) return false;
    checkRuntimeArchitecture(launcher);
    return true;
}

// The executable's own folder when it holds a runtime, else its "jre64" subfolder.
bool privateRuntime(Launcher& launcher) {
    std::wstring exe;
    if (!moduleFilePath(exe)) return false;
    const size_t slash = exe.rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring folder = exe.substr(0, slash + 1);
    if (!hasJavaDll(folder)) {
        folder += L"jre64\\";
        if (!hasJavaDll(folder)) return false;
    }
    launcher.jvmLibraryPath = probeJvmLibrary(folder, launcher.jvmType);
    return !launcher.jvmLibraryPath.empty();
}

// The native view first; the 32-bit view only when it finds nothing (and only with a pair product).
bool registeredRuntime(Launcher& launcher) {
    std::wstring home;
    if (!searchRegistry(launcher, RegistryView::Native, home) &&
        !searchRegistry(launcher, RegistryView::Bits32, home)) {
        return false;
    }
    launcher.jvmLibraryPath = probeJvmLibrary(home, launcher.jvmType);
    if (!launcher.jvmLibraryPath.empty()) return true;
    launcher.relaunchAsPair = 0;  // the 32-bit pass may have set it for a runtime that has gone since
    return false;
}

bool javaHomeRuntime(Launcher& launcher) {
    const std::wstring reference = L"%JAVA_HOME%";
    const std::wstring value = expandEnvironment(reference);
    if (value.empty() || value == reference) return false;
    const std::wstring folder = withBackslash(value);
    if (!hasJavaDll(folder)) return false;
    launcher.jvmLibraryPath = probeJvmLibrary(folder, launcher.jvmType);
    if (launcher.jvmLibraryPath.empty()) return false;
    checkRuntimeArchitecture(launcher);
    return true;
}

}  // namespace

bool findJavaRuntime(Launcher& launcher) {
    return configuredRuntime(launcher) || privateRuntime(launcher) || registeredRuntime(launcher) ||
           javaHomeRuntime(launcher);
}

}  // namespace qx
