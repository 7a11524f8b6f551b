#include "launch/single_instance.h"

#include <windows.h>

#include <jni.h>

#include <memory>
#include <string>
#include <vector>

#include "base/ansi.h"
#include "base/scoped.h"
#include "config/launcher_settings.h"
#include "config/layered_store.h"
#include "config/settings_keys.h"
#include "launch/handoff_block.h"
#include "launch/launcher.h"
#include "vm/jni_utils.h"

namespace qx {
namespace {

// A start holds the handoff mutex for one post and its acknowledgement, which the primary's listener
// sends before any Java code runs; these bounds only matter when some other process holds the mutex or
// squats on the mapping without listening.
constexpr DWORD kMutexWaitMs = 30000;
constexpr DWORD kAckWaitMs = 30000;

// Owns a named mutex for one scope. A mutex that cannot be had within the bound is not held, and the
// start goes on as it would without serialisation.
class MutexLock {
public:
    explicit MutexLock(HANDLE mutex) {
        if (!mutex) return;
        const DWORD waited = WaitForSingleObject(mutex, kMutexWaitMs);
        // An abandoned mutex (a start killed mid-handoff) is owned all the same.
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) mutex_ = mutex;
    }
    ~MutexLock() {
        if (mutex_) ReleaseMutex(mutex_);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    HANDLE mutex_ = nullptr;
};

// One received request, owned by the handoff thread it starts.
struct HandoffRequest {
    DWORD secondaryThreadId = 0;
    Launcher* launcher = nullptr;
    std::vector<std::wstring> arguments;
};

void releaseBlock(Launcher& launcher) {
    launcher.handoffBlock.reset();
    launcher.handoffMapping.reset();
}

void turnOff(Launcher& launcher) {
    releaseBlock(launcher);
    launcher.readyEvent.reset();
    launcher.singleInstance = 0;
    launcher.isPrimary = 0;
}

void postAnswer(const HandoffRequest& request, jint answer) {
    PostThreadMessageW(request.secondaryThreadId, request.launcher->handoffMessage,
                       static_cast<WPARAM>(static_cast<INT_PTR>(answer)), 0);
}

// Steps after the attach: true when "secondaryMain" ran without leaving an exception.
bool callSecondaryMain(const HandoffRequest& request, JNIEnv* env) {
    const Launcher& launcher = *request.launcher;
    jclass mainClass = env->FindClass(toAnsi(launcher.mainClass).c_str());
    if (!mainClass) return false;
    bool returnsInt = false;
    jmethodID method = env->GetStaticMethodID(mainClass, "secondaryMain", "([Ljava/lang/String;)V");
    if (env->ExceptionCheck()) env->ExceptionClear();
    if (!method) {
        returnsInt = true;
        method = env->GetStaticMethodID(mainClass, "secondaryMain", "([Ljava/lang/String;)I");
        if (!method) {
            if (env->ExceptionCheck()) env->ExceptionDescribe();
            return false;
        }
    }
    jobjectArray arguments = newJavaStringArray(request.arguments, env);
    if (!arguments) {
        if (env->ExceptionCheck()) env->ExceptionDescribe();
        return false;
    }
    if (returnsInt) {
        postAnswer(request, env->CallStaticIntMethod(mainClass, method, arguments));
    } else {
        // The second start only waits for the hand-over, not for the method.
        postAnswer(request, 0);
        env->CallStaticVoidMethod(mainClass, method, arguments);
    }
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

DWORD WINAPI handoffThreadMain(LPVOID param) {
    std::unique_ptr<HandoffRequest> request(static_cast<HandoffRequest*>(param));
    Launcher& launcher = *request->launcher;
    // Requests that arrive while the primary is still starting wait until main is about to run.
    if (launcher.readyEvent) WaitForSingleObject(launcher.readyEvent.get(), INFINITE);
    JavaVM* vm = launcher.javaVm;
    if (!vm) return 1;
    JNIEnv* env = nullptr;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return 1;

    const bool ok = callSecondaryMain(*request, env);
    if (!staysAttachedToVm(launcher)) vm->DetachCurrentThread();
    return ok ? 0 : 1;
}

DWORD WINAPI listenerThreadMain(LPVOID param) {
    Launcher& launcher = *static_cast<Launcher*>(param);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != launcher.handoffMessage) continue;
        auto request = std::make_unique<HandoffRequest>();
        request->secondaryThreadId = static_cast<DWORD>(msg.wParam & 0xFFFFFFFFu);
        request->launcher = &launcher;
        // The arguments are taken now, one snapshot, so the sender may let the next start write the
        // block as soon as it has the acknowledgement.
        HandoffBlock snapshot;
        CopyMemory(&snapshot, launcher.handoffBlock.get(), sizeof snapshot);
        readHandoffArguments(snapshot, request->arguments);
        PostThreadMessageW(request->secondaryThreadId, launcher.handoffAckMessage, 0, 0);
        UniqueHandle thread(CreateThread(nullptr, 0, handoffThreadMain, request.get(), 0, nullptr));
        if (thread) request.release();
    }
    return 0;
}

// Primary: everything a second start relies on exists before the handoff mutex is released.
void becomePrimary(Launcher& launcher, const std::wstring& name) {
    launcher.isPrimary = 1;
    launcher.readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, handoffReadyEventName(name).c_str()));
    launcher.handoffMessage = RegisterWindowMessageW(name.c_str());
    launcher.handoffAckMessage = RegisterWindowMessageW(handoffAckMessageName(name).c_str());
    if (launcher.handoffMessage == 0 || launcher.handoffAckMessage == 0) return turnOff(launcher);
    HandoffBlock& block = *launcher.handoffBlock.get();
    block.handoffMessageId = launcher.handoffMessage;
    block.primaryProcessId = GetCurrentProcessId();
    DWORD listenerId = 0;
    launcher.listenerThread.reset(CreateThread(nullptr, 0, listenerThreadMain, &launcher, 0, &listenerId));
    if (!launcher.listenerThread) return turnOff(launcher);
    block.listenerThreadId = listenerId;
}

// True once the primary has copied the arguments, or has ended; false after the bound.
bool waitForAcknowledgement(Launcher& launcher) {
    HANDLE process = launcher.primaryProcess.get();
    const ULONGLONG deadline = GetTickCount64() + kAckWaitMs;
    for (;;) {
        MSG msg;
        // Only the acknowledgement is taken here; an answer stays queued for waitForPrimary.
        if (PeekMessageW(&msg, nullptr, launcher.handoffAckMessage, launcher.handoffAckMessage, PM_REMOVE))
            return true;
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(process ? 1 : 0, &process, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_POSTMESSAGE);
    }
}

// Secondary: write the block, post, and hold the mutex until the primary has the arguments.
bool handOver(Launcher& launcher, const std::wstring& name) {
    HandoffBlock& block = *launcher.handoffBlock.get();
    // The message number is registered by name, so a primary's block carries the one this process
    // gets too. Any other block (zeroed, or another program's) has no listener to answer: no post.
    launcher.handoffMessage = RegisterWindowMessageW(name.c_str());
    if (launcher.handoffMessage == 0 || block.handoffMessageId != launcher.handoffMessage ||
        block.listenerThreadId == 0)
        return false;
    if (!encodeHandoffArguments(launcher.arguments, block)) return false;
    launcher.handoffAckMessage = RegisterWindowMessageW(handoffAckMessageName(name).c_str());
    // The primary answers into this thread's queue, which must exist before the post.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    // Opened before the post, so the handle cannot name a later process that reused the id.
    launcher.primaryProcess.reset(
        OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, block.primaryProcessId));
    if (!PostThreadMessageW(block.listenerThreadId, launcher.handoffMessage, GetCurrentThreadId(), 0))
        return false;
    return waitForAcknowledgement(launcher);
}

}  // namespace

bool setupSingleInstance(Launcher& launcher) {
    LayeredStore settings;
    if (!openLauncherSettings(launcher.executablePath, launcher.upgradeCode, settings)) return false;
    if (settings.value(key::kApplicationType) == L"service") return true;
    if (settings.value(key::kSingleInstance) != L"yes") return true;

    const std::wstring name = handoffObjectName(launcher.executablePath);

    // Starts of one executable take turns: a primary until its listener runs, a secondary from writing
    // the block until the primary has copied it. Without this, concurrent second starts overwrite each
    // other's arguments and a start can find a block whose listener does not exist yet.
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, handoffMutexName(name).c_str()));
    MutexLock lock(mutex.get());

    SetLastError(ERROR_SUCCESS);
    launcher.handoffMapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                     sizeof(HandoffBlock), name.c_str()));
    if (!launcher.handoffMapping) return true;
    const bool primary = GetLastError() == ERROR_SUCCESS;
    // Exactly the block's size: a view too short for the block (another program's smaller mapping)
    // is refused and leaves the mode off.
    launcher.handoffBlock.reset(static_cast<HandoffBlock*>(
        MapViewOfFile(launcher.handoffMapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(HandoffBlock))));
    if (!launcher.handoffBlock) {
        launcher.handoffMapping.reset();
        return true;
    }
    launcher.singleInstance = 1;

    if (primary) {
        becomePrimary(launcher, name);
        return true;
    }
    const bool handedOver = handOver(launcher, name);
    // The block is no longer needed; letting go of it early lets a start after the primary's end
    // become the new primary even while this one still waits.
    releaseBlock(launcher);
    return handedOver;
}

int32_t waitForPrimary(Launcher& launcher) {
    HANDLE process = launcher.primaryProcess.get();
    if (!process) return 0;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == launcher.handoffMessage) return static_cast<int32_t>(msg.wParam);
        }
        // Waiting on the process itself: a primary that ends with 259 (STILL_ACTIVE) is still seen
        // to end.
        const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_POSTMESSAGE);
        if (woke == WAIT_OBJECT_0 + 1) continue;
        // An answer posted just before the primary ended still counts.
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == launcher.handoffMessage) return static_cast<int32_t>(msg.wParam);
        }
        DWORD code = 0;
        if (woke != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) return -1;
        return static_cast<int32_t>(code);
    }
}

void releaseSingleInstance(Launcher& launcher) {
    if (!launcher.singleInstance) return;
    if (launcher.isPrimary && launcher.listenerThread) {
        // The listener's queue may not exist yet when the first WM_QUIT is posted, so post until it ends.
        const DWORD listenerId = GetThreadId(launcher.listenerThread.get());
        do {
            PostThreadMessageW(listenerId, WM_QUIT, 0, 0);
        } while (WaitForSingleObject(launcher.listenerThread.get(), 50) == WAIT_TIMEOUT);
        launcher.listenerThread.reset();
    }
    releaseBlock(launcher);
}

}  // namespace qx
