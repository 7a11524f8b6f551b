/* The "x86" test runtime: a genuine 32-bit jvm.dll. A 64-bit launcher cannot load it; should a
 * 32-bit process ever call it, every entry point fails. Built by native.mk with i686 mingw. */
#include <windows.h>

#define JNI_ERR (-1)

__declspec(dllexport) int __stdcall JNI_CreateJavaVM(void **pvm, void **penv, void *args) {
    (void)args;
    if (pvm) *pvm = NULL;
    if (penv) *penv = NULL;
    return JNI_ERR;
}

__declspec(dllexport) int __stdcall JNI_GetDefaultJavaVMInitArgs(void *args) {
    (void)args;
    return JNI_ERR;
}

__declspec(dllexport) int __stdcall JNI_GetCreatedJavaVMs(void **vms, int count, int *found) {
    (void)vms, (void)count;
    if (found) *found = 0;
    return JNI_ERR;
}
