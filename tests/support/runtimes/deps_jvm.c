/* The "deps" test runtime: a 64-bit jvm.dll that imports qxdep.dll, so a test can see which copy the
 * loader chose. JNI_CreateJavaVM writes "dependency=<name>" to standard output and fails. */
#include <windows.h>

#define _JNI_IMPLEMENTATION_ /* jni.h then declares the invocation functions as exports */
#include <jni.h>
#include <stdio.h>

__declspec(dllimport) const char *qxtestDependencyName(void);

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM **pvm, void **penv, void *args) {
    (void)args;
    if (pvm) *pvm = NULL;
    if (penv) *penv = NULL;
    printf("dependency=%s\n", qxtestDependencyName());
    fflush(stdout);
    return JNI_ERR;
}

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void *args) {
    (void)args;
    return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM **vms, jsize count, jsize *found) {
    (void)vms, (void)count;
    if (found) *found = 0;
    return JNI_OK;
}
