#include "vm/vm_host.h"

#include <vector>

#include "base/ansi.h"
#include "base/srw_lock.h"
#include "diag/trace.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "runtime/exception_dialog.h"
#include "vm/vm_settings.h"
#include "vm/jni_utils.h"
#include "vm/redirect_output.h"

namespace qx {

VmSettings* gLauncher = nullptr;

namespace {

void JNICALL exitHook(jint code) {
    if (traceOn()) trace(L"the VM exits with code " + std::to_wstring(code));
    if (gLauncher && gLauncher->exitListener) gLauncher->exitListener->onVmExit(code);
}

void JNICALL abortHook() {
    if (traceOn()) trace(L"the VM aborts");
    if (gLauncher && gLauncher->exitListener) gLauncher->exitListener->onVmAbort();
}

unsigned reasonFor(jint result) {
    switch (result) {
        case JNI_ERR:
            return kMsgReasonUnknown;
        case JNI_EDETACHED:
            return kMsgReasonDetached;
        case JNI_EVERSION:
            return kMsgReasonVersion;
        case JNI_ENOMEM:
            return kMsgReasonMemory;
        case JNI_EEXIST:
            return kMsgReasonExists;
        case JNI_EINVAL:
            return kMsgReasonInvalid;
        default:
            return 0;
    }
}

// An error line may be a message box, which must not sit under the splash. Only for failures before
// main runs: from then on the splash is the application's to close.
void closeSplashBeforeError(VmSettings& vm) {
    if (!vm.closeSplash) return;
    vm.closeSplash();
    vm.closeSplash = nullptr;
}

// The main class through the runtime's own launcher helper, which reports a bad class itself.
jclass loadMainClassThroughHelper(VmSettings& vm, JNIEnv* env) {
    jclass helper = vm.findClassFromBootLoader(env, "sun/launcher/LauncherHelper");
    if (!helper) return nullptr;
    jmethodID checkAndLoadMain =
        env->GetStaticMethodID(helper, "checkAndLoadMain", "(ZILjava/lang/String;)Ljava/lang/Class;");
    if (!checkAndLoadMain) return nullptr;
    std::wstring dotted = vm.mainClass;
    for (wchar_t& c : dotted) {
        if (c == L'/') c = L'.';
    }
    jstring name = newJavaString(dotted, env);
    if (!name) return nullptr;
    return static_cast<jclass>(env->CallStaticObjectMethod(helper, checkAndLoadMain, JNI_TRUE, 1, name));
}

jclass loadMainClassThroughFindClass(VmSettings& vm, JNIEnv* env) {
    jstring name = newJavaString(vm.mainClass, env);
    if (!name) {
        closeSplashBeforeError(vm);
        reportError(kMsgMainClassString, {vm.mainClass});
        return nullptr;
    }
    const char* utf = env->GetStringUTFChars(name, nullptr);
    if (!utf) {
        env->ExceptionDescribe();
        return nullptr;
    }
    jclass mainClass = env->FindClass(utf);
    if (!mainClass) {
        env->ExceptionDescribe();
        closeSplashBeforeError(vm);
        reportError(kMsgMainClassNotFound, {fromAnsi(utf)});
    }
    env->ReleaseStringUTFChars(name, utf);
    return mainClass;
}

// Stop ends the application as System.exit does, so its shutdown hooks run; a VM that cannot be asked
// to exit leaves the run as Ignore would, with the exception pending again.
void handleUncaughtException(const VmSettings& vm, jthrowable exception, JNIEnv* env) {
    const std::wstring trace = describeUncaughtException(exception, env);
    if (!vm.showExceptionDialog || askAboutUncaughtException(trace) != ExceptionAnswer::Stop) return;
    env->ExceptionClear();
    if (!callSystemExit(env, 1)) env->Throw(exception);
}

}  // namespace

bool createVm(VmSettings& vm) {
    std::vector<JavaVMOption> options;
    options.reserve(vm.vmOptions.size() + 2);
    for (const std::string& option : vm.vmOptions) {
        options.push_back({const_cast<char*>(option.c_str()), nullptr});
    }
    options.push_back({const_cast<char*>("abort"), reinterpret_cast<void*>(&abortHook)});
    options.push_back({const_cast<char*>("exit"), reinterpret_cast<void*>(&exitHook)});

    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(options.size());
    args.options = options.data();
    args.ignoreUnrecognized = JNI_FALSE;
    if (traceOn()) {
        trace(L"VM options (" + std::to_wstring(options.size()) + L"):");
        for (const JavaVMOption& option : options) trace(L"  " + fromAnsi(option.optionString));
    }

    JavaVM* created = nullptr;
    const jint result = vm.createJavaVm(&created, reinterpret_cast<void**>(&vm.jniEnv), &args);
    if (result != JNI_OK) {
        vm.jniEnv = nullptr;
        closeSplashBeforeError(vm);
        const unsigned reason = reasonFor(result);
        reportError(kMsgJniException,
                    {catalogueText(kMsgCreateVmFailed), reason ? loadMessage(reason) : std::wstring()});
        return false;
    }
    {
        // Helper threads read the pointer on their own; they see it whole or not at all.
        const ExclusiveLock guard(vm.javaVmLock);
        vm.javaVm = created;
    }
    redirectOutput(vm);
    return true;
}

bool cancelMain(VmSettings& vm) {
    const ExclusiveLock guard(vm.javaVmLock);
    if (vm.mainStarted) return false;
    vm.mainCancelled = true;
    return true;
}

JavaVM* attachToVm(VmSettings& vm, JNIEnv** env) {
    JavaVM* javaVm = nullptr;
    {
        const SharedLock guard(vm.javaVmLock);
        javaVm = vm.javaVm;
    }
    // Read a moment ago, the VM may be going by now: the invocation interface stays valid (the library is
    // never freed) and a VM that has gone refuses the attach.
    if (javaVm && javaVm->AttachCurrentThread(reinterpret_cast<void**>(env), nullptr) != JNI_OK)
        javaVm = nullptr;
    return javaVm;
}

void destroyVm(VmSettings& vm) {
    if (!vm.javaVm) return;
    // Helpers may still attach while this waits for the last non-daemon thread: a service's stop has to
    // reach an application whose main has returned.
    vm.javaVm->DestroyJavaVM();
    const ExclusiveLock guard(vm.javaVmLock);
    vm.javaVm = nullptr;
}

MainResult runMainClass(VmSettings& vm, bool stayAttached) {
    JNIEnv* env = vm.jniEnv;
    // Whatever happens below, the thread must leave the VM, or destroying it waits forever.
    auto fail = [&vm]() {
        vm.javaVm->DetachCurrentThread();
        return MainResult::Failed;
    };

    bool cancelled = false;
    {
        const SharedLock guard(vm.javaVmLock);
        cancelled = vm.mainCancelled;
    }
    // Cancelled this early, no code of the application runs at all.
    if (cancelled) {
        vm.javaVm->DetachCurrentThread();
        return MainResult::Returned;
    }

    jclass mainClass = nullptr;
    if (vm.findClassFromBootLoader) mainClass = loadMainClassThroughHelper(vm, env);
    if (!mainClass) {
        mainClass = loadMainClassThroughFindClass(vm, env);
        if (!mainClass) return fail();
    }

    jmethodID mainMethod = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (!mainMethod) {
        closeSplashBeforeError(vm);
        if (env->ExceptionCheck())
            env->ExceptionDescribe();
        else
            reportError(kMsgNoMainMethod);
        return fail();
    }
    jobjectArray javaArgs = newJavaStringArray(vm.arguments, env);
    if (!javaArgs) {
        env->ExceptionDescribe();
        return fail();
    }
    {
        // Loading ran the class's static initialiser, which may take any time. A cancel either comes
        // before this point, and main never runs, or finds main started and reaches it through
        // attachToVm: the application's stop never meets a class whose main has not started.
        const ExclusiveLock guard(vm.javaVmLock);
        cancelled = vm.mainCancelled;
        vm.mainStarted = !cancelled;
    }
    if (cancelled) {
        // The initialiser may have started threads or registered hooks: the run ends as a stop of a
        // class without stop() ends it, through System.exit(0), which returns only when it fails.
        static_cast<void>(callSystemExit(env, 0));
        vm.javaVm->DetachCurrentThread();
        return MainResult::Returned;
    }
    if (vm.readyEvent) SetEvent(vm.readyEvent.get());

    env->CallStaticVoidMethod(mainClass, mainMethod, javaArgs);

    jthrowable pending = env->ExceptionOccurred();
    if (pending && vm.failureCheck) handleUncaughtException(vm, pending, env);

    // These runtimes end the process themselves; the thread must stay attached until they do.
    if (stayAttached) Sleep(INFINITE);
    // Detaching describes a pending exception on standard error, as the Java launcher does.
    if (vm.javaVm->DetachCurrentThread() != JNI_OK) return MainResult::Failed;
    return pending ? MainResult::Threw : MainResult::Returned;
}

std::wstring describeUncaughtException(jthrowable exception, JNIEnv* env) {
    // Calls below need a clear exception state; the original is put back before returning.
    env->ExceptionClear();
    std::wstring trace;
    jclass bufferClass = env->FindClass("java/io/ByteArrayOutputStream");
    jmethodID bufferInit = bufferClass ? env->GetMethodID(bufferClass, "<init>", "()V") : nullptr;
    jobject buffer = bufferInit ? env->NewObject(bufferClass, bufferInit) : nullptr;
    jclass printClass = buffer ? env->FindClass("java/io/PrintStream") : nullptr;
    jmethodID printInit =
        printClass ? env->GetMethodID(printClass, "<init>", "(Ljava/io/OutputStream;)V") : nullptr;
    jobject printer = printInit ? env->NewObject(printClass, printInit, buffer) : nullptr;
    if (printer) {
        jclass exceptionClass = env->GetObjectClass(exception);
        jmethodID printStackTrace =
            env->GetMethodID(exceptionClass, "printStackTrace", "(Ljava/io/PrintStream;)V");
        if (printStackTrace) {
            env->CallVoidMethod(exception, printStackTrace, printer);
            if (env->ExceptionCheck()) env->ExceptionDescribe();
            jmethodID toString =
                env->GetMethodID(env->GetObjectClass(buffer), "toString", "()Ljava/lang/String;");
            jobject text = toString ? env->CallObjectMethod(buffer, toString) : nullptr;
            if (env->ExceptionCheck()) env->ExceptionDescribe();
            if (text) {
                const char* utf = env->GetStringUTFChars(static_cast<jstring>(text), nullptr);
                if (utf) {
                    trace = fromAnsi(utf);
                    env->ReleaseStringUTFChars(static_cast<jstring>(text), utf);
                }
            }
        }
    }
    if (env->ExceptionCheck()) env->ExceptionClear();
    env->Throw(exception);
    return trace;
}

}  // namespace qx
