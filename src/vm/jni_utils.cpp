#include "vm/jni_utils.h"

namespace qx {

jstring newJavaString(const std::wstring& text, JNIEnv* env) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jmethodID init = env->GetMethodID(stringClass, "<init>", "([C)V");
    if (!init) return nullptr;
    const jsize length = static_cast<jsize>(text.size());
    jcharArray chars = env->NewCharArray(length);
    if (!chars) return nullptr;
    env->SetCharArrayRegion(chars, 0, length, reinterpret_cast<const jchar*>(text.data()));
    jstring result = nullptr;
    if (!env->ExceptionCheck()) result = static_cast<jstring>(env->NewObject(stringClass, init, chars));
    env->DeleteLocalRef(chars);
    env->DeleteLocalRef(stringClass);
    return result;
}

jobjectArray newJavaStringArray(const std::vector<std::wstring>& items, JNIEnv* env) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(items.size()), stringClass, nullptr);
    env->DeleteLocalRef(stringClass);
    if (!array) return nullptr;
    for (size_t i = 0; i < items.size(); ++i) {
        jstring item = newJavaString(items[i], env);
        if (!item) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), item);
        env->DeleteLocalRef(item);
    }
    return array;
}

bool callSystemExit(JNIEnv* env, int32_t code) {
    jclass systemClass = env->FindClass("java/lang/System");
    if (!systemClass) return false;
    jmethodID exitMethod = env->GetStaticMethodID(systemClass, "exit", "(I)V");
    if (!exitMethod) return false;
    env->CallStaticVoidMethod(systemClass, exitMethod, static_cast<jint>(code));
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

}  // namespace qx
