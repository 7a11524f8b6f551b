/* The "createfails" test runtime: a 64-bit jvm.dll whose JNI_CreateJavaVM fails (or claims success)
 * without creating anything, so the launcher's handling of that result can be tested.
 *   JNI_CreateJavaVM              returns the integer in QXTEST_CREATE_RESULT (default -1), sets
 *                                 *pvm and *penv to NULL.
 *   JNI_GetDefaultJavaVMInitArgs  returns 0; a JDK1_1InitArgs (version 0x00010001) gets
 *                                 javaStackSize 0, any other args are left alone.
 *   JNI_GetCreatedJavaVMs         returns 0 and reports no VM. */
#include <windows.h>

#define _JNI_IMPLEMENTATION_ /* jni.h then declares the invocation functions as exports */
#include <jni.h>
#include <stdlib.h>

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM **pvm, void **penv, void *args) {
    (void)args;
    if (pvm) *pvm = NULL;
    if (penv) *penv = NULL;
    wchar_t value[64];
    const DWORD n = GetEnvironmentVariableW(L"QXTEST_CREATE_RESULT", value, 64);
    if (n == 0 || n >= 64) return JNI_ERR;
    return (jint)wcstol(value, NULL, 0);
}

/* The leading members of JDK 1.1's JDK1_1InitArgs, which jni.h no longer declares. */
struct Jdk11InitArgsHead {
    jint version;
    char **properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
};

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void *args) {
    struct Jdk11InitArgsHead *old = (struct Jdk11InitArgsHead *)args;
    if (old && old->version == 0x00010001) old->javaStackSize = 0;
    return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM **vms, jsize count, jsize *found) {
    (void)vms, (void)count;
    if (found) *found = 0;
    return JNI_OK;
}
