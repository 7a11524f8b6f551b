// Machine-dependent JNI types for 64-bit Windows (LLP64: long is 32 bits there).
#ifndef QX_JNI_MD_H
#define QX_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
