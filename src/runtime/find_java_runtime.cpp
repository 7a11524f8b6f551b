#include "runtime/find_java_runtime.h"

#include "base/environment.h"
#include "diag/trace.h"
#include "runtime/jvm_probe.h"
#include "runtime/registry_search.h"
#include "runtime/runtime_architecture.h"

namespace qx {
namespace {

std::wstring withBackslash(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

// Only for the trace: one source and what it gave.
bool verdict(const wchar_t* source, bool found, const std::wstring& detail) {
    if (traceOn()) trace(std::wstring(L"source ") + source + (found ? L": found " : L": ") + detail);
    return found;
}

bool configuredRuntime(const RuntimeRequest& request, RuntimeChoice& choice) {
    if (request.jrePath.empty()) return verdict(L"\"JRE Path\"", false, L"not set");
    choice.jvmLibraryPath = probeJvmLibrary(withBackslash(request.jrePath), request.jvmType);
    if (choice.jvmLibraryPath.empty()) {
        return verdict(L"\"JRE Path\"", false, L"no jvm.dll under " + withBackslash(request.jrePath));
    }
    verdict(L"\"JRE Path\"", true, choice.jvmLibraryPath);
    checkRuntimeArchitecture(request, choice);
    return true;
}

// The executable's own folder when it holds a runtime, else its "jre64" subfolder.
bool privateRuntime(const RuntimeRequest& request, RuntimeChoice& choice, const std::wstring& executable) {
    const size_t slash = executable.rfind(L'\\');
    if (slash == std::wstring::npos) return verdict(L"private runtime", false, L"skipped");
    std::wstring folder = executable.substr(0, slash + 1);
    if (!hasJavaDll(folder)) {
        folder += L"jre64\\";
        if (!hasJavaDll(folder))
            return verdict(L"private runtime", false, L"no bin\\java.dll beside the executable or in jre64");
    }
    choice.jvmLibraryPath = probeJvmLibrary(folder, request.jvmType);
    return verdict(L"private runtime", !choice.jvmLibraryPath.empty(),
                   choice.jvmLibraryPath.empty() ? L"no jvm.dll under " + folder : choice.jvmLibraryPath);
}

// The native view first; the 32-bit view only when it finds nothing (and only with a pair product).
bool registeredRuntime(const RuntimeRequest& request, RuntimeChoice& choice, const RuntimePlaces& places) {
    std::wstring home;
    if (!searchRegistry(request, choice, RegistryView::Native, home, places.registryRoot,
                        places.userRegistryRoot) &&
        !searchRegistry(request, choice, RegistryView::Bits32, home, places.registryRoot,
                        places.userRegistryRoot)) {
        return verdict(L"registry", false, L"no registered runtime fits");
    }
    choice.jvmLibraryPath = probeJvmLibrary(home, request.jvmType);
    if (!choice.jvmLibraryPath.empty()) {
        return verdict(
            L"registry", true,
            choice.jvmLibraryPath + (choice.relaunchAsPair ? L" (32-bit: the pair product runs it)" : L""));
    }
    choice.relaunchAsPair = 0;  // the 32-bit pass may have set it for a runtime that has gone since
    return verdict(L"registry", false, L"the chosen runtime has no jvm.dll any more");
}

bool javaHomeRuntime(const RuntimeRequest& request, RuntimeChoice& choice) {
    const std::wstring reference = L"%JAVA_HOME%";
    const std::wstring value = expandEnvironment(reference);
    if (value.empty() || value == reference) return verdict(L"JAVA_HOME", false, L"not set");
    const std::wstring folder = withBackslash(value);
    if (!hasJavaDll(folder)) return verdict(L"JAVA_HOME", false, L"no bin\\java.dll under " + folder);
    choice.jvmLibraryPath = probeJvmLibrary(folder, request.jvmType);
    if (choice.jvmLibraryPath.empty()) return verdict(L"JAVA_HOME", false, L"no jvm.dll under " + folder);
    verdict(L"JAVA_HOME", true, choice.jvmLibraryPath);
    checkRuntimeArchitecture(request, choice);
    return true;
}

}  // namespace

bool findJavaRuntime(const RuntimeRequest& request, RuntimeChoice& choice, const RuntimePlaces& places) {
    return configuredRuntime(request, choice) || privateRuntime(request, choice, places.executablePath) ||
           registeredRuntime(request, choice, places) || javaHomeRuntime(request, choice);
}

}  // namespace qx
