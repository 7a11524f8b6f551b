// The benchmark's baseline: the least a program can do to run a Java main. It loads the jvm.dll it is
// given, asks it for its default thread stack size (as any launcher that runs main on a thread of the
// VM's size must), creates the VM with one class path and calls main of one class with the remaining
// arguments.
// usage: bare_loader JVM_DLL CLASS_PATH MAIN_CLASS [ARGS...]   (MAIN_CLASS with slashes)
#include <windows.h>

#include <jni.h>

#include "vm/jdk11_init_args.h"

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fputs("usage: bare_loader JVM_DLL CLASS_PATH MAIN_CLASS [ARGS...]\n", stderr);
        return 2;
    }
    HMODULE jvm = LoadLibraryW(argv[1]);
    if (!jvm) return 3;
    using CreateFn = jint(JNICALL*)(JavaVM**, void**, void*);
    using DefaultsFn = jint(JNICALL*)(void*);
    const auto create =
        reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_CreateJavaVM")));
    const auto defaults = reinterpret_cast<DefaultsFn>(
        reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_GetDefaultJavaVMInitArgs")));
    if (!create || !defaults) return 4;
    // The bridge runtime loads the real VM library at its first call, so this also keeps the working
    // set at JNI_CreateJavaVM comparable: both programs have the VM library loaded by then, as both
    // would on Windows, where LoadLibrary maps it whole.
    qx::JDK1_1InitArgs stack{};
    stack.version = JNI_VERSION_1_1;
    defaults(&stack);

    std::string classPath = "-Djava.class.path=" + utf8(argv[2]);
    JavaVMOption options[1] = {{classPath.data(), nullptr}};
    JavaVMInitArgs args{JNI_VERSION_1_8, 1, options, JNI_FALSE};
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) return 5;

    int result = 0;
    jclass mainClass = env->FindClass(utf8(argv[3]).c_str());
    jmethodID main =
        mainClass ? env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V") : nullptr;
    if (main) {
        jobjectArray javaArgs = env->NewObjectArray(argc - 4, env->FindClass("java/lang/String"), nullptr);
        for (int i = 4; i < argc; ++i) {
            const std::wstring arg = argv[i];
            env->SetObjectArrayElement(
                javaArgs, i - 4,
                env->NewString(reinterpret_cast<const jchar*>(arg.data()), static_cast<jsize>(arg.size())));
        }
        env->CallStaticVoidMethod(mainClass, main, javaArgs);
    }
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        result = 1;
    } else if (!main) {
        result = 6;
    }
    vm->DestroyJavaVM();
    return result;
}
