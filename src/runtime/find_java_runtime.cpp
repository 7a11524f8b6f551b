#include "runtime/find_java_runtime.h"

#include "base/environment.h"
#include "runtime/jvm_probe.h"
#include "runtime/registry_search.h"
#include "runtime/runtime_architecture.h"

namespace qx {
namespace {

std::wstring withBackslash(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

bool configuredRuntime(const RuntimeRequest& request, RuntimeChoice& choice) {
    if (request.jrePath.empty()) return false;
    choice.jvmLibraryPath = probeJvmLibrary(withBackslash(request.jrePath), request.jvmType);
    if (choice.jvmLibraryPath.empty()) return false;
    checkRuntimeArchitecture(request, choice);
    return true;
}

// The executable's own folder when it holds a runtime, else its "jre64" subfolder.
bool privateRuntime(const RuntimeRequest& request, RuntimeChoice& choice, const std::wstring& executable) {
    const size_t slash = executable.rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring folder = executable.substr(0, slash + 1);
    if (!hasJavaDll(folder)) {
        folder += L"jre64\\";
        if (!hasJavaDll(folder)) return false;
    }
    choice.jvmLibraryPath = probeJvmLibrary(folder, request.jvmType);
    return !choice.jvmLibraryPath.empty();
}

// The native view first; the 32-bit view only when it finds nothing (and only with a pair product).
bool registeredRuntime(const RuntimeRequest& request, RuntimeChoice& choice, HKEY root) {
    std::wstring home;
    if (!searchRegistry(request, choice, RegistryView::Native, home, root) &&
        !searchRegistry(request, choice, RegistryView::Bits32, home, root)) {
        return false;
    }
    choice.jvmLibraryPath = probeJvmLibrary(home, request.jvmType);
    if (!choice.jvmLibraryPath.empty()) return true;
    choice.relaunchAsPair = 0;  // the 32-bit pass may have set it for a runtime that has gone since
    return false;
}

bool javaHomeRuntime(const RuntimeRequest& request, RuntimeChoice& choice) {
    const std::wstring reference = L"%JAVA_HOME%";
    const std::wstring value = expandEnvironment(reference);
    if (value.empty() || value == reference) return false;
    const std::wstring folder = withBackslash(value);
    if (!hasJavaDll(folder)) return false;
    choice.jvmLibraryPath = probeJvmLibrary(folder, request.jvmType);
    if (choice.jvmLibraryPath.empty()) return false;
    checkRuntimeArchitecture(request, choice);
    return true;
}

}  // namespace

bool findJavaRuntime(const RuntimeRequest& request, RuntimeChoice& choice, const RuntimePlaces& places) {
    return configuredRuntime(request, choice) || privateRuntime(request, choice, places.executablePath) ||
           registeredRuntime(request, choice, places.registryRoot) || javaHomeRuntime(request, choice);
}

}  // namespace qx
