#include "vm/vm_library.h"

#include <windows.h>

#include "base/path_text.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "diag/trace.h"
#include "runtime/pe_header.h"
#include "vm/vm_settings.h"

namespace qx {
namespace {

// The headers of a loaded image lie in its first page, which is always mapped.
void traceLoadedLibrary(HMODULE library, const std::wstring& libraryPath) {
    uint16_t machine = 0;
    const bool known = peMachine(reinterpret_cast<const unsigned char*>(library), 4096, &machine);
    trace(L"jvm.dll loaded: " + libraryPath + L" (" + (known ? machineName(machine) : L"unknown") + L")");
}

}  // namespace

HMODULE loadRuntimeLibrary(const std::wstring& libraryPath) {
    // Not the default directories: they include the launcher's own folder, so a DLL planted beside a
    // launcher started from a download folder would be taken as the runtime's dependency.
    return LoadLibraryExW(
        libraryPath.c_str(), nullptr,
        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool loadVmLibrary(VmSettings& vm, const std::wstring& libraryPath) {
    // The runtime's own DLLs (java.dll and friends) live in its bin folder.
    const std::wstring binDir = cutPathComponents(libraryPath, 2);
    AddDllDirectory(binDir.c_str());

    HMODULE library = loadRuntimeLibrary(libraryPath);
    if (!library) {
        const int32_t error = static_cast<int32_t>(GetLastError());
        reportError(kMsgVmLibraryLoad, {libraryPath, error});
        return false;
    }
    auto resolve = [library](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(library, name));
    };
    vm.createJavaVm = reinterpret_cast<CreateJavaVmFn>(resolve("JNI_CreateJavaVM"));
    if (vm.createJavaVm)
        vm.getDefaultInitArgs =
            reinterpret_cast<GetDefaultInitArgsFn>(resolve("JNI_GetDefaultJavaVMInitArgs"));
    if (!vm.createJavaVm || !vm.getDefaultInitArgs) {
        const int32_t error = static_cast<int32_t>(GetLastError());
        reportError(kMsgWindowsException, {catalogueText(kMsgNoCreateJavaVm), error});
        return false;
    }
    vm.findClassFromBootLoader =
        reinterpret_cast<FindClassFromBootLoaderFn>(resolve("JVM_FindClassFromBootLoader"));
    if (traceOn()) traceLoadedLibrary(library, libraryPath);
    return true;
}

}  // namespace qx
