/* The "createfails" test runtimes: a 64-bit jvm.dll (and a 32-bit one, createfails-x86) whose
 * JNI_CreateJavaVM fails (or claims success) without creating anything, so the launcher's handling of that
 * result can be tested. JNI_CreateJavaVM              returns the integer in QXTEST_CREATE_RESULT (default
 * -1), sets *pvm and *penv to NULL; with QXTEST_COMMAND_LINE_RECORD set, first writes the process's command
 * line there (UTF-8), so a test sees what a launcher that never reaches Java was started with.
 *   JNI_GetDefaultJavaVMInitArgs  returns 0; a JDK1_1InitArgs (version 0x00010001) gets
 *                                 javaStackSize 0, any other args are left alone.
 *   JNI_GetCreatedJavaVMs         returns 0 and reports no VM. */
#include <windows.h>

#define _JNI_IMPLEMENTATION_ /* jni.h then declares the invocation functions as exports */
#include <jni.h>
#include <stdlib.h>

static void recordCommandLine(void) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"QXTEST_COMMAND_LINE_RECORD", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const wchar_t* line = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, NULL, 0, NULL, NULL);
    char* bytes = size > 0 ? (char*)malloc((size_t)size) : NULL;
    if (!bytes) return;
    WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, size, NULL, NULL);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, bytes, (DWORD)(size - 1), &written, NULL);
        CloseHandle(file);
    }
    free(bytes);
}

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
    (void)args;
    recordCommandLine();
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
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
};

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
    struct Jdk11InitArgsHead* old = (struct Jdk11InitArgsHead*)args;
    if (old && old->version == 0x00010001) old->javaStackSize = 0;
    return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** vms, jsize count, jsize* found) {
    (void)vms, (void)count;
    if (found) *found = 0;
    return JNI_OK;
}
