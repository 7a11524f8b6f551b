#include "vm/redirect_output.h"

#include <windows.h>

#include "base/directories.h"
#include "base/long_path.h"
#include "diag/time_pattern.h"
#include "vm/vm_settings.h"
#include "vm/jni_utils.h"

namespace qx {

void redirectOutput(VmSettings& vm) {
    JNIEnv* env = vm.jniEnv;
    const bool outStamp = vm.outputFile.find(L'%') != std::wstring::npos;
    const bool errStamp = vm.errorFile.find(L'%') != std::wstring::npos;
    if (outStamp || errStamp) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (outStamp) expandTimePattern(vm.outputFile, now);
        if (errStamp) expandTimePattern(vm.errorFile, now);
    }
    if (!vm.outputFile.empty() && !redirectStream(vm, vm.outputFile, vm.outputAppend != 0, "setOut") &&
        env->ExceptionCheck()) {
        env->ExceptionDescribe();
    }
    if (!vm.errorFile.empty() && !redirectStream(vm, vm.errorFile, vm.errorAppend != 0, "setErr") &&
        env->ExceptionCheck()) {
        env->ExceptionDescribe();
    }
}

bool redirectStream(VmSettings& vm, const std::wstring& fileName, bool append, const char* setter) {
    JNIEnv* env = vm.jniEnv;
    ensureParentDirectories(toLongPathForm(fileName));
    jstring name = newJavaString(fileName, env);
    if (!name) return false;
    jclass fileClass = env->FindClass("java/io/FileOutputStream");
    if (!fileClass) return false;
    jmethodID fileInit = env->GetMethodID(fileClass, "<init>", "(Ljava/lang/String;Z)V");
    if (!fileInit) return false;
    jobject file =
        env->NewObject(fileClass, fileInit, name, static_cast<jboolean>(append ? JNI_TRUE : JNI_FALSE));
    if (!file) return false;
    jclass printClass = env->FindClass("java/io/PrintStream");
    if (!printClass) return false;
    jmethodID printInit = env->GetMethodID(printClass, "<init>", "(Ljava/io/OutputStream;)V");
    if (!printInit) return false;
    jobject printer = env->NewObject(printClass, printInit, file);
    if (!printer) return false;
    jclass systemClass = env->FindClass("java/lang/System");
    if (!systemClass) return false;
    jmethodID setterMethod = env->GetStaticMethodID(systemClass, setter, "(Ljava/io/PrintStream;)V");
    if (!setterMethod) return false;
    env->CallStaticVoidMethod(systemClass, setterMethod, printer);
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

}  // namespace qx
