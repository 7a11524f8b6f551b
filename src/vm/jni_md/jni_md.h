// Machine-dependent JNI types for Windows, 64-bit and 32-bit alike (long is 32 bits on both; JNICALL
// is __stdcall, which only the 32-bit compiler tells apart from the default).
#ifndef QX_JNI_MD_H
#define QX_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
