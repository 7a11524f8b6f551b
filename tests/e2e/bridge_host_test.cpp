// The real-JVM test runtime: the bridge jvm.dll (build\runtimes\jdk17) hosts the Linux OpenJDK inside
// this Windows process. A VM can be created once per process and System.exit ends the process, so
// every scenario runs in a child: this program started again with --child=MODE, whose standard
// output, error and exit code the parent checks. The fault runtimes are checked in-process.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>
#include <jni.h>

#include "vm/jdk11_init_args.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/lib/test_env.h"

namespace {

using qxtest::ChildOptions;
using qxtest::ChildResult;

using CreateFn = jint(JNICALL*)(JavaVM**, void**, void*);
using DefaultsFn = jint(JNICALL*)(void*);
using CreatedFn = jint(JNICALL*)(JavaVM**, jsize, jsize*);
using FindBootFn = jclass(JNICALL*)(JNIEnv*, const char*);

using Jdk11InitArgs = qx::JDK1_1InitArgs;

template <typename Fn>
Fn proc(HMODULE dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

std::wstring bridgePath(const wchar_t* runtime = L"jdk17", const wchar_t* kind = L"server") {
    return qxtest::runtimeHome(runtime) + L"\\bin\\" + kind + L"\\jvm.dll";
}

std::wstring envVar(const wchar_t* name) {
    wchar_t buf[32768];
    const DWORD n = GetEnvironmentVariableW(name, buf, 32768);
    return n > 0 && n < 32768 ? std::wstring(buf, n) : std::wstring();
}

// Where Wine puts a Windows path on the Unix side (what the Linux JVM must be given).
std::string unixPath(const std::wstring& path) {
    using Fn = char*(CDECL*)(const WCHAR*);
    static const Fn fn = proc<Fn>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!fn) return "<no wine_get_unix_file_name>";
    char* p = fn(path.c_str());
    if (!p) return "<unmapped>";
    std::string out = p;
    HeapFree(GetProcessHeap(), 0, p);
    return out;
}

std::string acp(const std::wstring& text, bool* lossy = nullptr) {
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, &usedDefault);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, &usedDefault);
    out.resize(n - 1);
    if (lossy) *lossy = usedDefault;
    return out;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        snprintf(buf, sizeof buf, "%02x", c);
        out += buf;
    }
    return out;
}

// ---- the child side -----------------------------------------------------------------------------

// Unbuffered, so it interleaves correctly with what Java writes to the same pipe.
void say(const char* fmt, ...) {
    char buf[4096];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf - 1, fmt, ap);
    va_end(ap);
    if (n < 0) n = 0;
    if (n > static_cast<int>(sizeof buf) - 2) n = sizeof buf - 2;
    buf[n++] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buf, n, &written, nullptr);
}

void JNICALL exitHook(jint code) { say("exit hook %d", code); }
void JNICALL abortHook() { say("abort hook"); }
jint JNICALL vfprintfHook(FILE*, const char* format, va_list args) {
    char buf[1024];
    const int n = vsnprintf(buf, sizeof buf, format, args);
    std::string text(buf, n > 0 ? std::min<size_t>(n, sizeof buf - 1) : 0);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    say("vfprintf hook: %s", text.c_str());
    return n;
}

struct Bridge {
    HMODULE dll = nullptr;
    CreateFn create = nullptr;
    DefaultsFn defaults = nullptr;
    CreatedFn created = nullptr;
    FindBootFn findBoot = nullptr;
};

Bridge loadBridge(const std::wstring& path) {
    Bridge b;
    b.dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!b.dll) {
        say("cannot load %s: error %lu", qxtest::narrow(path).c_str(), GetLastError());
        return b;
    }
    b.create = proc<CreateFn>(b.dll, "JNI_CreateJavaVM");
    b.defaults = proc<DefaultsFn>(b.dll, "JNI_GetDefaultJavaVMInitArgs");
    b.created = proc<CreatedFn>(b.dll, "JNI_GetCreatedJavaVMs");
    b.findBoot = proc<FindBootFn>(b.dll, "JVM_FindClassFromBootLoader");
    return b;
}

struct Vm {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jclass probe = nullptr;
    jmethodID main = nullptr;
};

std::vector<std::string> standardOptions() {
    return {"-Djava.class.path=" + qxtest::narrow(qxtest::testJar(L"probe")), "exit", "abort"};
}

// Creates the VM with `options` ("exit" and "abort" get this program's hooks) and looks up the probe.
bool createVm(const Bridge& b, const std::vector<std::string>& options, Vm& vm, jboolean ignore = JNI_FALSE) {
    if (!b.create) return false;
    std::vector<JavaVMOption> raw(options.size());
    for (size_t i = 0; i < options.size(); i++) {
        raw[i].optionString = const_cast<char*>(options[i].c_str());
        raw[i].extraInfo = nullptr;
        if (options[i] == "exit") raw[i].extraInfo = reinterpret_cast<void*>(exitHook);
        if (options[i] == "abort") raw[i].extraInfo = reinterpret_cast<void*>(abortHook);
        if (options[i] == "vfprintf") raw[i].extraInfo = reinterpret_cast<void*>(vfprintfHook);
        if (options[i] == "-Dqx.extra=1") raw[i].extraInfo = reinterpret_cast<void*>(&raw);
    }
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(raw.size());
    args.options = raw.data();
    args.ignoreUnrecognized = ignore;
    const jint rc = b.create(&vm.vm, reinterpret_cast<void**>(&vm.env), &args);
    say("create=%d", rc);
    if (rc != JNI_OK) return false;
    vm.probe = vm.env->FindClass("qx/test/Probe");
    if (!vm.probe) {
        say("probe not found");
        vm.env->ExceptionDescribe();
        return false;
    }
    vm.main = vm.env->GetStaticMethodID(vm.probe, "main", "([Ljava/lang/String;)V");
    if (!vm.main) {
        say("main not found");
        vm.env->ExceptionClear();
    }
    return true;
}

// A Java string from UTF-16 units, through String(char[]).
jstring newString(JNIEnv* env, const std::wstring& text) {
    jcharArray chars = env->NewCharArray(static_cast<jsize>(text.size()));
    env->SetCharArrayRegion(chars, 0, static_cast<jsize>(text.size()),
                            reinterpret_cast<const jchar*>(text.data()));
    jclass stringClass = env->FindClass("java/lang/String");
    jmethodID ctor = env->GetMethodID(stringClass, "<init>", "([C)V");
    // The table's variadic slot itself (the C++ wrapper would take the va_list slot).
    return static_cast<jstring>(env->functions->NewObject(env, stringClass, ctor, chars));
}

std::string utf8(JNIEnv* env, jstring s) {
    if (!s) return "<null>";
    const jsize n = env->GetStringLength(s);
    const jchar* chars = env->GetStringChars(s, nullptr);
    std::wstring w(reinterpret_cast<const wchar_t*>(chars), n);
    env->ReleaseStringChars(s, chars);
    return qxtest::narrow(w);
}

// Probe.main(args) through the variadic slot; reports an exception instead of returning.
bool callMain(Vm& vm, const std::vector<std::wstring>& args) {
    JNIEnv* env = vm.env;
    if (!vm.main) return false;
    jobjectArray array =
        env->NewObjectArray(static_cast<jsize>(args.size()), env->FindClass("java/lang/String"), nullptr);
    for (size_t i = 0; i < args.size(); i++)
        env->SetObjectArrayElement(array, static_cast<jsize>(i), newString(env, args[i]));
    env->functions->CallStaticVoidMethod(env, vm.probe, vm.main, array);
    if (env->ExceptionCheck()) {
        say("main threw");
        env->ExceptionDescribe();
        return false;
    }
    say("main returned");
    return true;
}

int destroy(Vm& vm) {
    const jint rc = vm.vm->DestroyJavaVM();
    say("destroy=%d", rc);
    return rc == JNI_OK ? 0 : 1;
}

// Exercises the options, the arguments, properties, environment and the trace.
int childMain() {
    Bridge b = loadBridge(bridgePath());
    SetEnvironmentVariableW(L"QXTEST_SET_BY_CHILD", L"late");
    SetEnvironmentVariableW(L"QXTEST_ENV_REMOVED", nullptr);
    CreateDirectoryW(L"lib", nullptr);
    const std::wstring cwd = envVar(L"QXTEST_CHILD_DIR");
    std::vector<std::string> options = {
        "-Djava.class.path=" + qxtest::narrow(qxtest::testJar(L"probe")) + ";lib\\*;missing\\dir\\x.jar",
        "-Djava.library.path=" + acp(cwd + L"\\native") + ";" + acp(cwd + L"\\other dir"),
        "-Dqx.test.prop=" + acp(L"Wert äöü"),
        "-Xss2m",
        "exit",
        "-Dqx.extra=1",
        "-Dqx.multi=a\nb",
        "abort",
        "-Xqxunknown",
        "vfprintf",
    };
    Vm vm;
    if (!createVm(b, options, vm, JNI_TRUE)) return 2;
    if (!callMain(vm, {L"plain", L"äöü", L"日本", L"", L"with spaces", L"--prop=java.class.path",
                       L"--prop=java.library.path", L"--prop=qx.test.prop", L"--prop=qx.multi",
                       L"--prop=user.dir", L"--prop=qx.not.set", L"--env=QXTEST_ENV_VALUE",
                       L"--env=QXTEST_SET_BY_CHILD", L"--env=QXTEST_ENV_REMOVED", L"--stack",
                       L"--print=ünïcödé 日本", L"--print-err=to stderr ü"}))
        return 3;
    return destroy(vm);
}

int childExit3() {
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), standardOptions(), vm)) return 2;
    callMain(vm, {L"--print=before", L"--exit=3", L"--print=after"});
    say("still running");
    return 4;
}

int childHalt() {
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), standardOptions(), vm)) return 2;
    callMain(vm, {L"--halt=7"});
    return 4;
}

int childDestroyWaits() {
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), standardOptions(), vm)) return 2;
    if (!callMain(vm, {L"--thread-ms=600"})) return 3;
    const ULONGLONG start = GetTickCount64();
    const int rc = destroy(vm);
    say("waited at least 300 ms: %s", GetTickCount64() - start >= 300 ? "yes" : "no");
    return rc;
}

struct AttachedThread {
    JavaVM* vm;
    JNIEnv* mainEnv;
    jclass probe;  // a global reference
};

DWORD WINAPI attachedThread(void* param) {
    auto* t = static_cast<AttachedThread*>(param);
    JavaVMAttachArgs attachArgs{JNI_VERSION_1_2, const_cast<char*>("qx-attached"), nullptr};
    JNIEnv* env = nullptr;
    const jint rc = t->vm->AttachCurrentThread(reinterpret_cast<void**>(&env), &attachArgs);
    say("attach=%d", rc);
    if (rc != JNI_OK) return 1;
    say("own env: %s", env != t->mainEnv ? "yes" : "no");
    JNIEnv* again = nullptr;
    const jint getEnvRc = t->vm->GetEnv(reinterpret_cast<void**>(&again), JNI_VERSION_1_8);
    say("getenv=%d same: %s", getEnvRc, again == env ? "yes" : "no");
    jmethodID echo = env->GetStaticMethodID(t->probe, "echo", "(Ljava/lang/String;)Ljava/lang/String;");
    auto* result = static_cast<jstring>(
        env->functions->CallStaticObjectMethod(env, t->probe, echo, newString(env, L"von Thread ü")));
    say("result=%s", utf8(env, result).c_str());
    say("detach=%d", t->vm->DetachCurrentThread());
    return 0;
}

int childAttached() {
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), standardOptions(), vm)) return 2;
    AttachedThread t{vm.vm, vm.env, static_cast<jclass>(vm.env->NewGlobalRef(vm.probe))};
    HANDLE thread = CreateThread(nullptr, 0, attachedThread, &t, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    say("thread exit=%lu", code);
    void* jvmti = nullptr;
    say("jvmti env=%d", vm.vm->GetEnv(&jvmti, 0x30010000));
    jmethodID echo = vm.env->GetStaticMethodID(vm.probe, "echo", "(Ljava/lang/String;)Ljava/lang/String;");
    vm.env->CallStaticObjectMethod(vm.probe, echo, newString(vm.env, L"main again"));
    return destroy(vm);
}

jobject callStaticObjectV(JNIEnv* env, jclass cls, jmethodID mid, ...) {
    va_list ap;
    va_start(ap, mid);
    jobject r = env->functions->CallStaticObjectMethodV(env, cls, mid, ap);
    va_end(ap);
    return r;
}

jlong callLongV(JNIEnv* env, jobject obj, jmethodID mid, ...) {
    va_list ap;
    va_start(ap, mid);
    jlong r = env->functions->CallLongMethodV(env, obj, mid, ap);
    va_end(ap);
    return r;
}

jobject newObjectV(JNIEnv* env, jclass cls, jmethodID mid, ...) {
    va_list ap;
    va_start(ap, mid);
    jobject r = env->functions->NewObjectV(env, cls, mid, ap);
    va_end(ap);
    return r;
}

void writeAndClose(JNIEnv* env, jobject stream, const char* text) {
    jclass cls = env->FindClass("java/io/FileOutputStream");
    const jsize n = static_cast<jsize>(strlen(text));
    jbyteArray bytes = env->NewByteArray(n);
    env->SetByteArrayRegion(bytes, 0, n, reinterpret_cast<const jbyte*>(text));
    env->functions->CallVoidMethod(env, stream, env->GetMethodID(cls, "write", "([B)V"), bytes);
    env->functions->CallVoidMethod(env, stream, env->GetMethodID(cls, "close", "()V"));
}

// Argument passing through the variadic, va_list and jvalue slots; the other entry points.
int childCalls() {
    Bridge b = loadBridge(bridgePath());
    Vm vm;
    if (!createVm(b, standardOptions(), vm)) return 2;
    JNIEnv* env = vm.env;
    jmethodID mix = env->GetStaticMethodID(vm.probe, "mix", "(IJDFZCSBLjava/lang/String;)Ljava/lang/String;");
    jstring s = newString(env, L"str ü");
    auto* r1 = static_cast<jstring>(env->functions->CallStaticObjectMethod(
        env, vm.probe, mix, jint(-7), jlong(1234567890123LL), 2.5, jfloat(1.25f), jboolean(JNI_TRUE),
        jchar(0x263a), jshort(-3), jbyte(-4), s));
    say("mix ...=%s", utf8(env, r1).c_str());
    auto* r2 = static_cast<jstring>(
        callStaticObjectV(env, vm.probe, mix, jint(2147483647), jlong(-9223372036854775807LL), -0.5,
                          jfloat(3.5f), jboolean(JNI_FALSE), jchar(65), jshort(32767), jbyte(127), s));
    say("mix V=%s", utf8(env, r2).c_str());
    jvalue a[9];
    a[0].i = 1;
    a[1].j = 2;
    a[2].d = 3.25;
    a[3].f = 4.5f;
    a[4].z = JNI_TRUE;
    a[5].c = 0x65e5;
    a[6].s = 6;
    a[7].b = 7;
    a[8].l = nullptr;
    say("mix A=%s", utf8(env, static_cast<jstring>(env->CallStaticObjectMethodA(vm.probe, mix, a))).c_str());
    jmethodID scale = env->GetStaticMethodID(vm.probe, "scale", "(FD)D");
    say("scale=%g", env->functions->CallStaticDoubleMethod(env, vm.probe, scale, jfloat(1.5f), 2.0));

    jobject probe = env->functions->NewObject(env, vm.probe, env->GetMethodID(vm.probe, "<init>", "()V"));
    jmethodID sum = env->GetMethodID(vm.probe, "sum", "(IJSB)J");
    say("sum ...=%lld", static_cast<long long>(env->functions->CallLongMethod(
                            env, probe, sum, jint(1), jlong(1LL << 40), jshort(-2), jbyte(3))));
    say("sum V=%lld",
        static_cast<long long>(callLongV(env, probe, sum, jint(-1), jlong(-1), jshort(-1), jbyte(-1))));
    say("sum nonvirtual=%lld", static_cast<long long>(env->functions->CallNonvirtualLongMethod(
                                   env, probe, vm.probe, sum, jint(10), jlong(20), jshort(30), jbyte(40))));

    JavaVM* fromEnv = nullptr;
    const jint getVmRc = env->GetJavaVM(&fromEnv);
    say("getjavavm=%d same: %s", getVmRc, fromEnv == vm.vm ? "yes" : "no");
    JavaVM* vms[2] = {nullptr, nullptr};
    jsize count = -1;
    const jint createdRc = b.created(vms, 2, &count);
    say("created=%d count=%d same: %s", createdRc, count, vms[0] == vm.vm ? "yes" : "no");
    jclass boot = b.findBoot ? b.findBoot(env, "java/lang/String") : nullptr;
    say("boot String: %s",
        boot && env->IsSameObject(boot, env->FindClass("java/lang/String")) ? "found" : "missing");
    jclass app = b.findBoot ? b.findBoot(env, "qx/test/Probe") : nullptr;
    env->ExceptionClear();
    say("boot Probe: %s", app ? "found" : "missing");

    JavaVMOption again[1] = {{const_cast<char*>("exit"), reinterpret_cast<void*>(vfprintfHook)}};
    JavaVMInitArgs againArgs{JNI_VERSION_1_2, 1, again, JNI_FALSE};
    JavaVM* secondVm = nullptr;
    JNIEnv* secondEnv = nullptr;
    const jint againRc = b.create(&secondVm, reinterpret_cast<void**>(&secondEnv), &againArgs);
    say("create again=%d vm: %s", againRc, secondVm ? "set" : "null");

    // FileOutputStream opened from Windows code takes a Windows path, whichever slot is used.
    const std::wstring file = envVar(L"QXTEST_CHILD_DIR") + L"\\fos out.txt";
    jclass fos = env->FindClass("java/io/FileOutputStream");
    jmethodID ctor1 = env->GetMethodID(fos, "<init>", "(Ljava/lang/String;)V");
    jmethodID ctor2 = env->GetMethodID(fos, "<init>", "(Ljava/lang/String;Z)V");
    writeAndClose(env, newObjectV(env, fos, ctor1, newString(env, file)), "one");
    writeAndClose(env, env->functions->NewObject(env, fos, ctor2, newString(env, file), jboolean(JNI_TRUE)),
                  "two");
    jvalue fa[2];
    fa[0].l = newString(env, file);
    fa[1].z = JNI_TRUE;
    writeAndClose(env, env->NewObjectA(fos, ctor2, fa), "three");
    writeAndClose(env, env->functions->NewObject(env, fos, ctor1, newString(env, L"relative.txt")), "rel");
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        return 3;
    }
    std::string content;
    say("fos file=%s", qxtest::readFile(file, content) ? content.c_str() : "<missing>");
    say("fos relative=%s", qxtest::readFile(L"relative.txt", content) ? content.c_str() : "<missing>");
    return destroy(vm);
}

int childCrash() {
    std::vector<std::string> options = standardOptions();
    options.push_back("-XX:ErrorFile=hs_err.log");
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), options, vm)) return 2;
    callMain(vm, {L"--crash"});
    return 4;
}

// HotSpot gives up during start-up: abort hook, then exit(1); JNI_CreateJavaVM never returns.
int childStartupFailure() {
    std::vector<std::string> options = standardOptions();
    options.push_back("-Xshare:on");
    options.push_back("-XX:SharedArchiveFile=no-such-archive.jsa");
    Vm vm;
    createVm(loadBridge(bridgePath()), options, vm);
    return 4;
}

// An option HotSpot rejects: its message goes to the vfprintf hook if there is one, else to stderr.
int childBadOption(bool withHook) {
    std::vector<std::string> options = standardOptions();
    if (withHook) options.push_back("vfprintf");
    options.push_back("-XX:+QxNoSuchFlag");
    Vm vm;
    createVm(loadBridge(bridgePath()), options, vm);
    return 0;
}

int childStdin() {
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), standardOptions(), vm)) return 2;
    if (!callMain(vm, {L"--read-stdin"})) return 3;
    return destroy(vm);
}

// -Xss from QXTEST_XSS, interpreted only; recursion until StackOverflowError on a JVM thread and on this one.
int childStackDepth() {
    std::vector<std::string> options = standardOptions();
    options.push_back(qxtest::narrow(L"-Xss" + envVar(L"QXTEST_XSS")));
    options.push_back("-Xint");  // equal frames all the way down: depth follows the stack size
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), options, vm)) return 2;
    if (!callMain(vm, {L"--stack-depth", L"--stack-depth-here"})) return 3;
    return destroy(vm);
}

// The VM created, used and destroyed on a thread of this program with a 4 MB stack, not the main one.
DWORD WINAPI vmThread(void*) {
    std::vector<std::string> options = standardOptions();
    options.push_back("-Xint");
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), options, vm)) return 2;
    if (!callMain(vm, {L"--print=on a thread", L"--thread-ms=200", L"--stack-depth-here"})) return 3;
    return static_cast<DWORD>(destroy(vm));
}

int childOtherThread() {
    HANDLE thread =
        CreateThread(nullptr, 4 << 20, vmThread, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return static_cast<int>(code);
}

int childFailStatic() {
    Vm vm;
    Bridge b = loadBridge(bridgePath());
    if (!createVm(b, standardOptions(), vm)) return 2;  // looks "main" up: expected to fail
    JNIEnv* env = vm.env;
    jmethodID main = env->GetStaticMethodID(vm.probe, "main", "([Ljava/lang/String;)V");
    say("main: %s, exception: %s", main ? "found" : "null", env->ExceptionCheck() ? "yes" : "no");
    jmethodID echo = env->GetStaticMethodID(vm.probe, "echo", "(Ljava/lang/String;)Ljava/lang/String;");
    say("echo: %s", echo ? "found" : "null");
    jmethodID missing = env->GetStaticMethodID(vm.probe, "nope", "()V");
    say("nope: %s, exception: %s", missing ? "found" : "null", env->ExceptionCheck() ? "yes" : "no");
    env->ExceptionClear();
    return destroy(vm);
}

int childThrows() {
    Vm vm;
    if (!createVm(loadBridge(bridgePath()), standardOptions(), vm)) return 2;
    callMain(vm, {L"--print=first", L"--throw=boom from probe"});
    return destroy(vm);
}

int childDefaults() {
    Bridge b = loadBridge(bridgePath());
    if (!b.defaults || !b.created) return 2;
    JavaVM* vms[1] = {nullptr};
    jsize count = -1;
    const jint createdRc = b.created(vms, 1, &count);
    say("created before=%d count=%d", createdRc, count);
    Jdk11InitArgs old{};
    old.version = 0x00010001;
    const jint rc11 = b.defaults(&old);
    say("defaults 1.1: rc=%d version=0x%x javaStackSize=%d", rc11, old.version, old.javaStackSize);
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_8;
    say("defaults 1.8: rc=%d", b.defaults(&args));
    args.version = 0x00017777;
    say("defaults bogus: rc=%d", b.defaults(&args));
    return 0;
}

int childNoHelper() {
    Bridge b = loadBridge(bridgePath(L"jdk17-nohelper", L"client"));
    say("JVM_FindClassFromBootLoader: %s", b.findBoot ? "exported" : "absent");
    Vm vm;
    if (!createVm(b, standardOptions(), vm)) return 2;
    if (!callMain(vm, {L"--print=nohelper works"})) return 3;
    return destroy(vm);
}

int runChildMode(const std::wstring& mode) {
    static const std::map<std::wstring, int (*)()> modes = {
        {L"main", childMain},
        {L"exit3", childExit3},
        {L"halt", childHalt},
        {L"destroy-waits", childDestroyWaits},
        {L"attached", childAttached},
        {L"calls", childCalls},
        {L"crash", childCrash},
        {L"startup-failure", childStartupFailure},
        {L"fail-static", childFailStatic},
        {L"throws", childThrows},
        {L"bad-option", [] { return childBadOption(false); }},
        {L"bad-option-hook", [] { return childBadOption(true); }},
        {L"stdin", childStdin},
        {L"stack-depth", childStackDepth},
        {L"other-thread", childOtherThread},
        {L"defaults", childDefaults},
        {L"nohelper", childNoHelper},
    };
    const auto it = modes.find(mode);
    if (it == modes.end()) {
        say("unknown mode");
        return 100;
    }
    return it->second();
}

// ---- the parent side ----------------------------------------------------------------------------

struct ChildRun {
    ChildResult result;
    std::wstring dir;  // its working directory, a fresh scratch folder
};

ChildRun runMode(const std::wstring& mode, std::map<std::wstring, std::wstring> env = {},
                 const std::string& input = {}) {
    ChildRun run;
    run.dir = qxtest::scratchDir(L"bridge_host_" + mode);
    ChildOptions options;
    options.env = std::move(env);
    options.env[L"QXTEST_CHILD_DIR"] = run.dir;
    options.workDir = run.dir;
    options.timeoutMs = 90000;
    options.input = input;
    run.result = qxtest::runChild(qxtest::quote(qxtest::ownExecutable()) + L" --child=" + mode, options);
    EXPECT_FALSE(run.result.timedOut) << "child " << qxtest::narrow(mode) << " timed out";
    return run;
}

#define EXPECT_CHILD(run, code, expectedOut)                                            \
    do {                                                                                \
        EXPECT_EQ((run).result.out, (expectedOut)) << "stderr:\n" << (run).result.err;  \
        EXPECT_EQ((run).result.exitCode, static_cast<DWORD>(code)) << (run).result.err; \
    } while (0)

TEST(BridgeHost, MainSeesArgumentsPropertiesEnvironmentAndStackSize) {
    const std::wstring trace = qxtest::scratchDir(L"bridge_host_trace") + L"\\trace.txt";
    ChildRun run = runMode(L"main", {{L"QXTEST_ENV_VALUE", L"from Windows ä"},
                                     {L"QXTEST_ENV_REMOVED", L"parent value"},
                                     {L"QXTEST_JVM_TRACE", trace}});
    const std::string jar = unixPath(qxtest::testJar(L"probe"));
    const std::string dir = unixPath(run.dir);
    EXPECT_CHILD(run, 0,
                 joinLines({
                     "create=0",
                     "args=17",
                     "arg[0]=plain",
                     "arg[1]=äöü",
                     "arg[2]=日本",
                     "arg[3]=",
                     "arg[4]=with spaces",
                     "arg[5]=--prop=java.class.path",
                     "arg[6]=--prop=java.library.path",
                     "arg[7]=--prop=qx.test.prop",
                     "arg[8]=--prop=qx.multi",
                     "arg[9]=--prop=user.dir",
                     "arg[10]=--prop=qx.not.set",
                     "arg[11]=--env=QXTEST_ENV_VALUE",
                     "arg[12]=--env=QXTEST_SET_BY_CHILD",
                     "arg[13]=--env=QXTEST_ENV_REMOVED",
                     "arg[14]=--stack",
                     "arg[15]=--print=ünïcödé 日本",
                     "arg[16]=--print-err=to stderr ü",
                     "thread=main",
                     "prop[java.class.path]=" + jar + ":" + dir + "/lib/*:missing/dir/x.jar",
                     "prop[java.library.path]=" + dir + "/native:" + dir + "/other dir",
                     "prop[qx.test.prop]=Wert äöü",
                     "prop[qx.multi]=a\\u000ab",
                     "prop[user.dir]=" + dir,
                     "prop[qx.not.set] unset",
                     "env[QXTEST_ENV_VALUE]=from Windows ä",
                     "env[QXTEST_SET_BY_CHILD]=late",
                     "env[QXTEST_ENV_REMOVED] unset",
                     "stack=2048",
                     "ünïcödé 日本",
                     "main done",
                     "main returned",
                     "destroy=0",
                 }));
    EXPECT_EQ(run.result.err, "to stderr ü\n");

    // The trace holds exactly what the caller passed: ANSI bytes, Windows paths, the hooks marked.
    bool lossy = false;
    const std::string wert = acp(L"Wert äöü", &lossy);
    ASSERT_FALSE(lossy) << "the ANSI code page cannot hold the test text";
    std::string recorded;
    ASSERT_TRUE(qxtest::readFile(trace, recorded));
    const std::string childDir = qxtest::narrow(run.dir);
    EXPECT_EQ(recorded, joinLines({
                            "version=0x10002",
                            "option=-Djava.class.path=" + qxtest::narrow(qxtest::testJar(L"probe")) +
                                ";lib\\*;missing\\dir\\x.jar",
                            "option=-Djava.library.path=" + childDir + "\\native;" + childDir + "\\other dir",
                            "option=-Dqx.test.prop=" + wert,
                            "option=-Xss2m",
                            "option+hook=exit",
                            "option+hook=-Dqx.extra=1",
                            "optionhex=" + hex("-Dqx.multi=a\nb"),
                            "option+hook=abort",
                            "option=-Xqxunknown",
                            "option+hook=vfprintf",
                            "ignoreUnrecognized=1",
                            "result=0",
                        }));
}

TEST(BridgeHost, SystemExitRunsTheExitHookThenEndsWithItsCode) {
    ChildRun run = runMode(L"exit3");
    EXPECT_CHILD(run, 3,
                 joinLines({"create=0", "args=3", "arg[0]=--print=before", "arg[1]=--exit=3",
                            "arg[2]=--print=after", "thread=main", "before", "exit hook 3"}));
}

TEST(BridgeHost, RuntimeHaltRunsTheExitHookToo) {
    ChildRun run = runMode(L"halt");
    EXPECT_CHILD(run, 7, joinLines({"create=0", "args=1", "arg[0]=--halt=7", "thread=main", "exit hook 7"}));
}

TEST(BridgeHost, DestroyJavaVmWaitsForNonDaemonThread) {
    ChildRun run = runMode(L"destroy-waits");
    EXPECT_CHILD(run, 0,
                 joinLines({"create=0", "args=1", "arg[0]=--thread-ms=600", "thread=main", "main done",
                            "main returned", "thread done", "destroy=0", "waited at least 300 ms: yes"}));
}

TEST(BridgeHost, SecondWindowsThreadAttachesAndCallsStaticMethod) {
    ChildRun run = runMode(L"attached");
    EXPECT_CHILD(run, 0,
                 joinLines({"create=0", "attach=0", "own env: yes", "getenv=0 same: yes",
                            "echo[qx-attached]=von Thread ü", "result=echo:von Thread ü", "detach=0",
                            "thread exit=0", "jvmti env=-3", "echo[main]=main again", "destroy=0"}));
}

TEST(BridgeHost, ArgumentsPassThroughEveryCallingSlot) {
    ChildRun run = runMode(L"calls");
    EXPECT_CHILD(run, 0,
                 joinLines({
                     "create=0",
                     "mix ...=-7,1234567890123,2.5,1.25,true,9786,-3,-4,str ü",
                     "mix V=2147483647,-9223372036854775807,-0.5,3.5,false,65,32767,127,str ü",
                     "mix A=1,2,3.25,4.5,true,26085,6,7,null",
                     "scale=3",
                     "sum ...=1099511627778",
                     "sum V=-4",
                     "sum nonvirtual=100",
                     "getjavavm=0 same: yes",
                     "created=0 count=1 same: yes",
                     "boot String: found",
                     "boot Probe: missing",
                     "create again=-5 vm: null",
                     "fos file=onetwothree",
                     "fos relative=rel",
                     "destroy=0",
                 }));
}

TEST(BridgeHost, CrashRunsTheAbortHookThenEnds) {
    ChildRun run = runMode(L"crash");
    const std::string& out = run.result.out;
    EXPECT_EQ(run.result.exitCode, 134u) << out << run.result.err;
    EXPECT_EQ(out.rfind("create=0\n", 0), 0u) << out;
    EXPECT_NE(out.find("# A fatal error has been detected by the Java Runtime Environment"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.substr(out.size() > 11 ? out.size() - 11 : 0), "abort hook\n") << out;
    EXPECT_EQ(out.find("main returned"), std::string::npos) << out;
    std::string report;
    EXPECT_TRUE(qxtest::readFile(run.dir + L"\\hs_err.log", report));
    EXPECT_NE(report.find("SIGSEGV"), std::string::npos);
}

TEST(BridgeHost, StartupFailureRunsTheAbortHookThenExitsWithOne) {
    ChildRun run = runMode(L"startup-failure");
    EXPECT_CHILD(run, 1,
                 joinLines({"Error occurred during initialization of VM", "Unable to use shared archive.",
                            "abort hook"}));
    EXPECT_NE(run.result.err.find("Specified shared archive not found (no-such-archive.jsa)."),
              std::string::npos)
        << run.result.err;
}

TEST(BridgeHost, RejectedOptionIsReportedOnStandardError) {
    ChildRun run = runMode(L"bad-option");
    EXPECT_CHILD(run, 0, "create=-6\n");
    EXPECT_NE(run.result.err.find("Unrecognized VM option 'QxNoSuchFlag'"), std::string::npos)
        << run.result.err;
}

TEST(BridgeHost, MissingLibjvmFailsCreateWithAMessage) {
    ChildRun run = runMode(L"bad-option", {{L"QXTEST_LIBJVM", L"/nonexistent/libjvm.so"}});
    EXPECT_CHILD(run, 0, "create=-1\n");
    EXPECT_EQ(run.result.err.rfind("qxtest bridge: cannot load /nonexistent/libjvm.so", 0), 0u)
        << run.result.err;
}

TEST(BridgeHost, VfprintfHookReceivesHotSpotMessages) {
    ChildRun run = runMode(L"bad-option-hook");
    EXPECT_EQ(run.result.out.rfind("vfprintf hook: Unrecognized VM option 'QxNoSuchFlag'\n", 0), 0u)
        << run.result.out;
    EXPECT_EQ(run.result.out.substr(run.result.out.find("create=")), "create=-6\n") << run.result.out;
    EXPECT_EQ(run.result.err.find("QxNoSuchFlag"), std::string::npos) << run.result.err;
    EXPECT_EQ(run.result.exitCode, 0u);
}

TEST(BridgeHost, StandardInputReachesJava) {
    ChildRun run = runMode(L"stdin", {}, "line one\nzwei \xc3\xbc\n\nlast without newline");
    EXPECT_CHILD(run, 0,
                 joinLines({"create=0", "args=1", "arg[0]=--read-stdin", "thread=main", "stdin=line one",
                            "stdin=zwei ü", "stdin=", "stdin=last without newline", "stdin end", "main done",
                            "main returned", "destroy=0"}));
}

// The "depth=N" values a stack-depth child printed: on the new JVM thread, then on the main thread.
std::vector<long> stackDepths(const ChildRun& run) {
    std::vector<long> depths;
    for (size_t at = run.result.out.find("\ndepth="); at != std::string::npos;
         at = run.result.out.find("\ndepth=", at + 1))
        depths.push_back(strtol(run.result.out.c_str() + at + 7, nullptr, 10));
    return depths;
}

TEST(BridgeHost, StackOverflowIsAJavaErrorAndXssSizesJvmThreads) {
    ChildRun small = runMode(L"stack-depth", {{L"QXTEST_XSS", L"256k"}});
    ChildRun large = runMode(L"stack-depth", {{L"QXTEST_XSS", L"4m"}});
    for (const ChildRun* run : {&small, &large}) {
        EXPECT_EQ(run->result.exitCode, 0u) << run->result.out << run->result.err;
        EXPECT_NE(run->result.out.find("\nmain done\nmain returned\ndestroy=0\n"), std::string::npos)
            << run->result.out;
    }
    const std::vector<long> s = stackDepths(small), l = stackDepths(large);
    ASSERT_EQ(s.size(), 2u) << small.result.out;
    ASSERT_EQ(l.size(), 2u) << large.result.out;
    // 256k against 4m, and the main thread's 2 MB (the executable's, whatever -Xss says).
    EXPECT_GT(s[0], 100);
    EXPECT_GT(l[0], 8 * s[0]) << "-Xss does not size the threads the JVM creates";
    EXPECT_GT(s[1], 4 * s[0]);
    EXPECT_LT(std::abs(l[1] - s[1]), s[1] / 4);
}

TEST(BridgeHost, VmLivesOnASecondWindowsThread) {
    ChildRun run = runMode(L"other-thread");
    std::string& out = run.result.out;
    // The depth depends on the 4 MB stack: about 40000 interpreted frames, twice the main thread's.
    const size_t at = out.find("\ndepth=");
    ASSERT_NE(at, std::string::npos) << out << run.result.err;
    EXPECT_GT(strtol(out.c_str() + at + 7, nullptr, 10), 30000) << out;
    out.replace(at + 7, out.find('\n', at + 1) - at - 7, "N");
    EXPECT_CHILD(run, 0,
                 joinLines({"create=0", "args=3", "arg[0]=--print=on a thread", "arg[1]=--thread-ms=200",
                            "arg[2]=--stack-depth-here", "thread=main", "on a thread", "depth=N", "main done",
                            "main returned", "thread done", "destroy=0"}));
}

TEST(BridgeHost, FailStaticMethodHookHidesOnlyThatMethod) {
    ChildRun run = runMode(L"fail-static", {{L"QXTEST_FAIL_STATIC_METHOD", L"main"}});
    EXPECT_CHILD(run, 0,
                 joinLines({"create=0", "main not found", "main: null, exception: no", "echo: found",
                            "nope: null, exception: yes", "destroy=0"}));
}

TEST(BridgeHost, UncaughtExceptionReachesStandardError) {
    ChildRun run = runMode(L"throws");
    EXPECT_CHILD(run, 0,
                 joinLines({"create=0", "args=2", "arg[0]=--print=first", "arg[1]=--throw=boom from probe",
                            "thread=main", "first", "main threw", "destroy=0"}));
    EXPECT_EQ(
        run.result.err.rfind("Exception in thread \"main\" java.lang.RuntimeException: boom from probe", 0),
        0u)
        << run.result.err;
}

TEST(BridgeHost, DefaultInitArgsComeFromHotSpot) {
    const std::wstring trace = qxtest::scratchDir(L"bridge_host_defaults_trace") + L"\\trace.txt";
    ChildRun run = runMode(L"defaults", {{L"QXTEST_JVM_TRACE", trace}});
    EXPECT_CHILD(
        run, 0,
        joinLines({"created before=0 count=0", "defaults 1.1: rc=-1 version=0x10002 javaStackSize=1048576",
                   "defaults 1.8: rc=0", "defaults bogus: rc=-1"}));
    std::string recorded;
    ASSERT_TRUE(qxtest::readFile(trace, recorded));
    EXPECT_EQ(recorded, joinLines({"defaults version=0x10001", "defaults version=0x10008",
                                   "defaults version=0x17777"}));
}

TEST(BridgeHost, NoHelperVariantLacksOnlyTheBootLoaderExport) {
    ChildRun run = runMode(L"nohelper");
    EXPECT_CHILD(run, 0,
                 joinLines({"JVM_FindClassFromBootLoader: absent", "create=0", "args=1",
                            "arg[0]=--print=nohelper works", "thread=main", "nohelper works", "main done",
                            "main returned", "destroy=0"}));
}

// ---- the fault runtimes, in this process (none of them creates a VM) ----------------------------

TEST(FaultRuntimes, EveryRuntimeHomeHasItsMarkerAndVm) {
    const std::pair<const wchar_t*, const wchar_t*> homes[] = {
        {L"jdk17", L"server"},     {L"jdk17-nohelper", L"client"}, {L"x86", L"client"},
        {L"noexports", L"server"}, {L"createfails", L"server"},
    };
    for (const auto& [name, kind] : homes) {
        const std::wstring home = qxtest::runtimeHome(name);
        EXPECT_NE(GetFileAttributesW((home + L"\\bin\\java.dll").c_str()), INVALID_FILE_ATTRIBUTES)
            << qxtest::narrow(home);
        EXPECT_NE(GetFileAttributesW((home + L"\\bin\\" + kind + L"\\jvm.dll").c_str()),
                  INVALID_FILE_ATTRIBUTES)
            << qxtest::narrow(home);
    }
}

TEST(FaultRuntimes, X86IsA32BitDllThatA64BitProcessCannotLoad) {
    const std::wstring path = bridgePath(L"x86", L"client");
    std::string bytes;
    ASSERT_TRUE(qxtest::readFile(path, bytes));
    ASSERT_GT(bytes.size(), 0x40u);
    const uint32_t pe = *reinterpret_cast<const uint32_t*>(bytes.data() + 0x3c);
    ASSERT_LT(pe + 6, bytes.size());
    EXPECT_EQ(bytes.compare(pe, 4, std::string("PE\0\0", 4)), 0);
    EXPECT_EQ(*reinterpret_cast<const uint16_t*>(bytes.data() + pe + 4), IMAGE_FILE_MACHINE_I386);
    HMODULE dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_EQ(dll, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    if (dll) FreeLibrary(dll);
}

TEST(FaultRuntimes, NoExportsLoadsButExportsNothing) {
    HMODULE dll = LoadLibraryExW(bridgePath(L"noexports").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(dll, nullptr) << GetLastError();
    for (const char* name : {"JNI_CreateJavaVM", "JNI_GetDefaultJavaVMInitArgs", "JNI_GetCreatedJavaVMs",
                             "JVM_FindClassFromBootLoader"})
        EXPECT_EQ(GetProcAddress(dll, name), nullptr) << name;
    FreeLibrary(dll);
}

TEST(FaultRuntimes, CreateFailsReturnsTheConfiguredResultAndNoVm) {
    HMODULE dll = LoadLibraryExW(bridgePath(L"createfails").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(dll, nullptr) << GetLastError();
    auto create = proc<CreateFn>(dll, "JNI_CreateJavaVM");
    auto defaults = proc<DefaultsFn>(dll, "JNI_GetDefaultJavaVMInitArgs");
    auto created = proc<CreatedFn>(dll, "JNI_GetCreatedJavaVMs");
    ASSERT_TRUE(create && defaults && created);

    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    JavaVM* vm = reinterpret_cast<JavaVM*>(1);
    void* env = reinterpret_cast<void*>(1);
    SetEnvironmentVariableW(L"QXTEST_CREATE_RESULT", nullptr);
    EXPECT_EQ(create(&vm, &env, &args), JNI_ERR);
    EXPECT_EQ(vm, nullptr);
    EXPECT_EQ(env, nullptr);
    SetEnvironmentVariableW(L"QXTEST_CREATE_RESULT", L"-6");
    EXPECT_EQ(create(&vm, &env, &args), JNI_EINVAL);
    SetEnvironmentVariableW(L"QXTEST_CREATE_RESULT", L"0");
    EXPECT_EQ(create(&vm, &env, &args), JNI_OK);
    EXPECT_EQ(vm, nullptr);
    SetEnvironmentVariableW(L"QXTEST_CREATE_RESULT", nullptr);

    Jdk11InitArgs old{};
    old.version = 0x00010001;
    old.javaStackSize = 12345;
    EXPECT_EQ(defaults(&old), JNI_OK);
    EXPECT_EQ(old.javaStackSize, 0);
    EXPECT_EQ(old.version, 0x00010001);
    JavaVMInitArgs current{};
    current.version = JNI_VERSION_1_8;
    current.nOptions = 5;
    EXPECT_EQ(defaults(&current), JNI_OK);
    EXPECT_EQ(current.version, JNI_VERSION_1_8);
    EXPECT_EQ(current.nOptions, 5);

    JavaVM* vms[1] = {reinterpret_cast<JavaVM*>(1)};
    jsize count = -1;
    EXPECT_EQ(created(vms, 1, &count), JNI_OK);
    EXPECT_EQ(count, 0);
    FreeLibrary(dll);
}

}  // namespace

int main(int argc, char** argv) {
    // A child run does one scenario and reports through its output and exit code.
    int wargc = 0;
    LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    for (int i = 1; wargv && i < wargc; i++) {
        const std::wstring arg = wargv[i];
        if (arg.rfind(L"--child=", 0) == 0) {
            const int code = runChildMode(arg.substr(8));
            fflush(stdout);
            return code;
        }
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
