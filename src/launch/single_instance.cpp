#include "launch/single_instance.h"

#include <windows.h>

#include <jni.h>

#include <memory>
#include <string>
#include <vector>

#include "base/ansi.h"
#include "base/scoped.h"
#include "base/srw_lock.h"
#include "config/launcher_settings.h"
#include "config/layered_store.h"
#include "config/settings_keys.h"
#include "launch/handoff_block.h"
#include "launch/launcher.h"
#include "vm/jni_utils.h"
#include "vm/vm_host.h"

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
    // Requests that arrive while the primary is still starting wait until main is about to run, or
    // until the launcher goes without main ever running.
    if (launcher.readyEvent) {
        const HANDLE events[] = {launcher.readyEvent.get(), launcher.handoffsClosing.get()};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) return 1;
    }
    JNIEnv* env = nullptr;
    JavaVM* vm = nullptr;
    {
        // Attaching only until the launcher starts to close, which comes before the VM goes: no handoff
        // meets the VM's final shutdown, where an attach never returns and the launcher would wait on it.
        const SharedLock gate(launcher.handoffGate);
        if (WaitForSingleObject(launcher.handoffsClosing.get(), 0) == WAIT_TIMEOUT)
            vm = attachToVm(launcher, &env);
    }
    if (!vm) return 1;

    const bool ok = callSecondaryMain(*request, env);
    if (!staysAttachedToVm(launcher)) vm->DetachCurrentThread();
    return ok ? 0 : 1;
}

// Keeps the handles of the handoff threads that still run, so the launcher can wait for them.
void keepHandoffThread(Launcher& launcher, UniqueHandle thread) {
    auto& threads = launcher.handoffThreads;
    for (auto it = threads.begin(); it != threads.end();) {
        it = WaitForSingleObject(it->get(), 0) == WAIT_OBJECT_0 ? threads.erase(it) : it + 1;
    }
    threads.push_back(std::move(thread));
}

struct ListenerStart {
    Launcher* launcher;
    HANDLE queueReady;  // set once the listener's message queue exists
};

DWORD WINAPI listenerThreadMain(LPVOID param) {
    Launcher& launcher = *static_cast<ListenerStart*>(param)->launcher;
    MSG msg;
    // A post to a thread without a queue fails, so the queue is made before any start may post.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(static_cast<ListenerStart*>(param)->queueReady);
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
        if (!thread) continue;
        request.release();
        keepHandoffThread(launcher, std::move(thread));
    }
    return 0;
}

// Primary: everything a second start relies on exists before the handoff mutex is released.
void becomePrimary(Launcher& launcher, const std::wstring& name) {
    launcher.isPrimary = 1;
    launcher.readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, handoffReadyEventName(name).c_str()));
    // The event may exist already, left signalled by an earlier instance or set by any process of the
    // user; signalled, it would let requests reach a VM that does not exist yet.
    if (launcher.readyEvent) ResetEvent(launcher.readyEvent.get());
    launcher.handoffsClosing.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    launcher.handoffMessage = RegisterWindowMessageW(name.c_str());
    launcher.handoffAckMessage = RegisterWindowMessageW(handoffAckMessageName(name).c_str());
    if (launcher.handoffMessage == 0 || launcher.handoffAckMessage == 0) return turnOff(launcher);
    HandoffBlock& block = *launcher.handoffBlock.get();
    block.handoffMessageId = launcher.handoffMessage;
    block.primaryProcessId = GetCurrentProcessId();
    if (!launcher.handoffsClosing) return turnOff(launcher);
    UniqueHandle queueReady(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!queueReady) return turnOff(launcher);
    ListenerStart start{&launcher, queueReady.get()};
    DWORD listenerId = 0;
    launcher.listenerThread.reset(CreateThread(nullptr, 0, listenerThreadMain, &start, 0, &listenerId));
    if (!launcher.listenerThread) return turnOff(launcher);
    // The handoff mutex is released only after this, so no start posts before the queue exists.
    const HANDLE started[] = {queueReady.get(), launcher.listenerThread.get()};
    if (WaitForMultipleObjects(2, started, FALSE, INFINITE) != WAIT_OBJECT_0) {
        launcher.listenerThread.reset();
        return turnOff(launcher);
    }
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

void stopHandoffs(Launcher& launcher) {
    if (!launcher.singleInstance || !launcher.isPrimary) return;
    if (launcher.listenerThread) {
        // A post fails while the listener's queue is full, so post until the listener ends.
        const DWORD listenerId = GetThreadId(launcher.listenerThread.get());
        do {
            PostThreadMessageW(listenerId, WM_QUIT, 0, 0);
        } while (WaitForSingleObject(launcher.listenerThread.get(), 50) == WAIT_TIMEOUT);
        launcher.listenerThread.reset();
    }
    // Waits for a handoff that is attaching: the VM still runs, so the attach returns.
    const ExclusiveLock gate(launcher.handoffGate);
    if (launcher.handoffsClosing) SetEvent(launcher.handoffsClosing.get());
}

void releaseSingleInstance(Launcher& launcher) {
    if (!launcher.singleInstance) return;
    stopHandoffs(launcher);
    // Each one has left the VM, or never reached it; none may outlive the launcher it reads.
    for (UniqueHandle& thread : launcher.handoffThreads) WaitForSingleObject(thread.get(), INFINITE);
    launcher.handoffThreads.clear();
    releaseBlock(launcher);
}

}  // namespace qx
