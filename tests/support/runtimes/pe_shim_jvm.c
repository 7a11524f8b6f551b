/* The "jdk17-pe" test runtime's jvm.dll: a genuine 64-bit PE library in front of the bridge, for
 * tools that accept only a real Windows runtime (qxpack msi --runtime). Each export passes its call
 * to the same export of the Winelib bridge, qxbridge.dll beside this file. Built by native.mk, and for
 * ARM64 by the ARM64 build, whose launchers take ARM64 PE images only. */
#include <windows.h>

static FARPROC bridge_export(const char *name) {
    static HMODULE bridge;
    if (!bridge) {
        WCHAR path[MAX_PATH * 4];
        HMODULE self = NULL;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                (LPCWSTR)(void *)bridge_export, &self))
            return NULL;
        DWORD n = GetModuleFileNameW(self, path, MAX_PATH * 4);
        if (n == 0 || n >= MAX_PATH * 4 - 16) return NULL;
        while (n > 0 && path[n - 1] != L'\\') n--;
        lstrcpyW(path + n, L"qxbridge.dll");
        bridge = LoadLibraryW(path);
        if (!bridge) return NULL;
    }
    return GetProcAddress(bridge, name);
}

#define JNI_ERR (-1)

__declspec(dllexport) int __stdcall JNI_CreateJavaVM(void **pvm, void **penv, void *args) {
    typedef int(__stdcall * fn)(void **, void **, void *);
    fn f = (fn)(void *)bridge_export("JNI_CreateJavaVM");
    return f ? f(pvm, penv, args) : JNI_ERR;
}

__declspec(dllexport) int __stdcall JNI_GetDefaultJavaVMInitArgs(void *args) {
    typedef int(__stdcall * fn)(void *);
    fn f = (fn)(void *)bridge_export("JNI_GetDefaultJavaVMInitArgs");
    return f ? f(args) : JNI_ERR;
}

__declspec(dllexport) int __stdcall JNI_GetCreatedJavaVMs(void **vms, int count, int *found) {
    typedef int(__stdcall * fn)(void **, int, int *);
    fn f = (fn)(void *)bridge_export("JNI_GetCreatedJavaVMs");
    return f ? f(vms, count, found) : JNI_ERR;
}

__declspec(dllexport) void *__stdcall JVM_FindClassFromBootLoader(void *env, const char *name) {
    typedef void *(__stdcall * fn)(void *, const char *);
    fn f = (fn)(void *)bridge_export("JVM_FindClassFromBootLoader");
    return f ? f(env, name) : NULL;
}
