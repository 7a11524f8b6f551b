// The JDK 1.1 initialisation record, still accepted by JNI_GetDefaultJavaVMInitArgs to report the
// default Java thread stack size. Current jni.h no longer declares it.
#pragma once

#include <jni.h>

#include <cstdarg>
#include <cstdio>

namespace qx {

struct JDK1_1InitArgs {
    jint version;
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
    jint minHeapSize;
    jint maxHeapSize;
    jint verifyMode;
    char* classpath;
    jint(JNICALL* vfprintf)(FILE* fp, const char* format, va_list args);
    void(JNICALL* exit)(jint code);
    void(JNICALL* abort)(void);
    jint enableClassGC;
    jint enableVerboseGC;
    jint disableAsyncGC;
    jint verbose;
    jboolean debugging;
    jint debugPort;
};

}  // namespace qx
