#include "vm/vm_library.h"

#include <windows.h>

#include "base/path_text.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "launch/launcher.h"

namespace qx {

bool loadVmLibrary(Launcher& launcher, const std::wstring& libraryPath) {
    // The runtime's own DLLs (java.dll and friends) live in its bin folder.
    const std::wstring binDir = cutPathComponents(libraryPath, 2);
    AddDllDirectory(binDir.c_str());

    HMODULE library = LoadLibraryExW(libraryPath.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!library) {
        const int32_t error = static_cast<int32_t>(GetLastError());
        reportError(kMsgVmLibraryLoad, {libraryPath, error});
        return false;
    }
    auto resolve = [library](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(library, name));
    };
    launcher.createJavaVm = reinterpret_cast<CreateJavaVmFn>(resolve("JNI_CreateJavaVM"));
    if (launcher.createJavaVm)
        launcher.getDefaultInitArgs =
            reinterpret_cast<GetDefaultInitArgsFn>(resolve("JNI_GetDefaultJavaVMInitArgs"));
    if (!launcher.createJavaVm || !launcher.getDefaultInitArgs) {
        const int32_t error = static_cast<int32_t>(GetLastError());
        reportError(kMsgWindowsException, {catalogueText(kMsgNoCreateJavaVm), error});
        return false;
    }
    launcher.findClassFromBootLoader =
        reinterpret_cast<FindClassFromBootLoaderFn>(resolve("JVM_FindClassFromBootLoader"));
    return true;
}

}  // namespace qx
