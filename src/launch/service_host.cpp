#include "launch/service_host.h"

#include <jni.h>

#include "base/ansi.h"
#include "base/scoped.h"
#include "base/srw_lock.h"
#include "config/module_path.h"
#include "diag/format_message.h"
#include "diag/trace.h"
#include "launch/launch_sequence.h"
#include "launch/launcher.h"
#include "vm/jni_utils.h"
#include "vm/vm_host.h"

namespace qx {
namespace {

ServiceStatusBlock* gServiceStatus = nullptr;
ServiceHost* gServiceHost = nullptr;

constexpr DWORD kStopWaitHintMs = 3000;
// Well inside the wait hint, so a stop that takes long keeps showing progress.
constexpr DWORD kStopProgressIntervalMs = 1000;

bool stopApplication(Launcher& launcher, JNIEnv* env) {
    jclass mainClass = env->FindClass(toAnsi(launcher.mainClass).c_str());
    if (!mainClass) {
        if (env->ExceptionCheck()) env->ExceptionDescribe();
        return false;
    }
    jmethodID stop = env->GetStaticMethodID(mainClass, "stop", "()V");
    if (!stop) {
        if (env->ExceptionCheck()) env->ExceptionDescribe();
        return callSystemExit(env, 0);
    }
    env->CallStaticVoidMethod(mainClass, stop);
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

}  // namespace

bool prepareIdentity(ServiceIdentity& identity, Launcher& launcher) {
    // initialize has read the path already; a launcher that skipped it reads (and reports) it here.
    if (launcher.executablePath.empty() && !moduleFilePath(launcher.executablePath)) return false;
    identity.modulePath = launcher.executablePath;
    const size_t slash = identity.modulePath.rfind(L'\\');
    identity.serviceName =
        slash == std::wstring::npos ? identity.modulePath : identity.modulePath.substr(slash + 1);
    identity.displayName = formatMessage(L"%s Java Service", {identity.serviceName});
    identity.launcher = &launcher;
    return true;
}

ServiceStatusBlock::ServiceStatusBlock(DWORD maxStopCheckPoints, ReportServiceStatusFn report)
    : report_(report),
      maxStopCheckPoints_(maxStopCheckPoints),
      wakeProgress_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    gServiceStatus = this;
}

ServiceStatusBlock::~ServiceStatusBlock() {
    {
        ExclusiveLock guard(lock_);
        closing_ = true;
    }
    if (wakeProgress_) SetEvent(wakeProgress_.get());
    if (progressThread_) WaitForSingleObject(progressThread_.get(), INFINITE);
    if (gServiceStatus == this) gServiceStatus = nullptr;
}

bool ServiceStatusBlock::publish(Turn turn) {
    SERVICE_STATUS snapshot{};
    {
        ExclusiveLock guard(lock_);
        if (reporting_) {
            // The report on its way reports this change next, as it goes on until none is left. The
            // control handler must not wait for it: a report may wait for the handler to return.
            if (turn == Turn::HandOver) return true;
            while (reporting_) SleepConditionVariableSRW(&reportDone_, &lock_, INFINITE, 0);
            return lastReportOk_;
        }
        reporting_ = true;
        snapshot = status;
        reported_ = changes_;
    }
    const bool ok = report_(statusHandle, &snapshot) != FALSE;
    bool lastOk = ok;
    for (;;) {
        {
            ExclusiveLock guard(lock_);
            lastReportOk_ = lastOk;
            if (changes_ == reported_) {
                reporting_ = false;
                WakeAllConditionVariable(&reportDone_);
                return ok;
            }
            snapshot = status;
            reported_ = changes_;
        }
        lastOk = report_(statusHandle, &snapshot) != FALSE;
    }
}

bool ServiceStatusBlock::reportRunning() {
    {
        ExclusiveLock guard(lock_);
        if (stopped_) return false;
        status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status.dwCurrentState = SERVICE_RUNNING;
        status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
        status.dwWin32ExitCode = 0;
        status.dwServiceSpecificExitCode = 0;
        status.dwCheckPoint = 0;
        status.dwWaitHint = 0;
        ++changes_;
    }
    return publish(Turn::Wait);
}

bool ServiceStatusBlock::reportStopPending() {
    {
        ExclusiveLock guard(lock_);
        if (stopped_) return false;
        status.dwCurrentState = SERVICE_STOP_PENDING;
        status.dwWin32ExitCode = 0;
        status.dwCheckPoint = 0;
        status.dwWaitHint = kStopWaitHintMs;
        stopAbandoned_ = false;
        ++changes_;
    }
    return publish(Turn::HandOver);
}

bool ServiceStatusBlock::reportStopped(DWORD win32ExitCode) {
    {
        ExclusiveLock guard(lock_);
        if (stopped_) return false;
        stopped_ = true;
        status.dwCurrentState = SERVICE_STOPPED;
        status.dwWin32ExitCode = win32ExitCode;
        status.dwCheckPoint = 0;
        status.dwWaitHint = 0;
        ++changes_;
    }
    // Waits for its turn: the process may end as soon as this returns, and STOPPED must be out by then.
    return publish(Turn::Wait);
}

bool ServiceStatusBlock::reportCurrent() {
    {
        ExclusiveLock guard(lock_);
        if (stopped_) return false;
        ++changes_;
    }
    return publish(Turn::HandOver);
}

bool ServiceStatusBlock::advanceStopCheckPoint() {
    {
        ExclusiveLock guard(lock_);
        if (status.dwCurrentState != SERVICE_STOP_PENDING || stopAbandoned_ || closing_) return false;
        // A stop that never ends must not look busy for ever: past the bound the wait hint runs out and
        // the control manager decides.
        if (status.dwCheckPoint >= maxStopCheckPoints_) return false;
        ++status.dwCheckPoint;
        ++changes_;
    }
    return publish(Turn::Wait);
}

void ServiceStatusBlock::abandonStop() {
    ExclusiveLock guard(lock_);
    stopAbandoned_ = true;
}

void ServiceStatusBlock::startStopProgress() {
    if (InterlockedExchange(&progressRunning_, 1) != 0) return;
    // An earlier thread has cleared the flag as its last step; it is gone, or about to be.
    if (progressThread_) WaitForSingleObject(progressThread_.get(), INFINITE);
    progressThread_.reset(CreateThread(nullptr, 0, stopProgressThreadMain, this, 0, nullptr));
    if (!progressThread_) InterlockedExchange(&progressRunning_, 0);
}

// Reports progress for as long as the stop is pending, has not been given up and is within its bound.
DWORD WINAPI ServiceStatusBlock::stopProgressThreadMain(LPVOID param) {
    auto* block = static_cast<ServiceStatusBlock*>(param);
    // Woken early only when the block goes; without its event the thread reports nothing.
    while (WaitForSingleObject(block->wakeProgress_.get(), kStopProgressIntervalMs) == WAIT_TIMEOUT &&
           block->advanceStopCheckPoint()) {
    }
    InterlockedExchange(&block->progressRunning_, 0);
    return 0;
}

ServiceHost::ServiceHost(ServiceStatusBlock& status, Launcher& launcher)
    : status_(&status), launcher_(&launcher) {
    status.host = this;
    gServiceHost = this;
}

int32_t ServiceHost::serviceRun(DWORD argc, LPWSTR* argv) {
    if (argc != 0) {
        if (!launcher_->omitServiceName) launcher_->arguments.push_back(argv[0]);
        for (DWORD i = 1; i < argc; ++i) launcher_->arguments.push_back(argv[i]);
    }
    return run(*launcher_);
}

ServiceHost::~ServiceHost() {
    if (gServiceHost == this) gServiceHost = nullptr;
}

void ServiceHost::serviceStop() {
    // A stop before main has started is settled here, before the control manager hears back: main
    // then never runs, and no thread has to reach the VM.
    if (!cancelMain(*launcher_)) {
        // Not kept: the stop thread is never waited for (see the class).
        const UniqueHandle stopThread(CreateThread(nullptr, 0, stopThreadMain, nullptr, 0, nullptr));
        if (!stopThread) return;
    }
    status_->startStopProgress();
}

void ServiceHost::onVmExit(int32_t code) {
    // The process ends right after this hook; a clean exit is the service's stop. Nothing is left to
    // do when the report fails.
    if (code == 0) static_cast<void>(status_->reportStopped(0));
}

void WINAPI serviceMain(DWORD argc, LPWSTR* argv) {
    ServiceStatusBlock& block = *gServiceStatus;
    // An own-process service may register under any name; the empty one is the launcher's.
    block.statusHandle = RegisterServiceCtrlHandlerW(L"", controlHandler);
    if (!block.statusHandle) return;
    if (!block.reportRunning()) return;
    const int32_t result = block.host->serviceRun(argc, argv);
    if (traceOn()) trace(L"service stopped with exit code " + std::to_wstring(result));
    // The last report; the control manager sees the process end either way.
    static_cast<void>(block.reportStopped(static_cast<DWORD>(result)));
}

void WINAPI controlHandler(DWORD control) {
    ServiceStatusBlock& block = *gServiceStatus;
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        if (block.reportStopPending()) block.host->serviceStop();
        return;
    }
    static_cast<void>(block.reportCurrent());  // an interrogation has no answer beyond the report
}

DWORD WINAPI stopThreadMain(LPVOID) {
    // A stop that cannot reach the application makes no progress to report.
    if (!requestStop(gServiceHost->launcher())) gServiceHost->statusBlock().abandonStop();
    return 0;
}

bool requestStop(Launcher& launcher) {
    // Before the application has started there is nothing to stop yet; the run ends without it.
    if (cancelMain(launcher)) return true;
    JNIEnv* env = nullptr;
    JavaVM* vm = attachToVm(launcher, &env);
    if (!vm) return false;
    const bool stopped = stopApplication(launcher, env);
    if (!staysAttachedToVm(launcher)) vm->DetachCurrentThread();
    return stopped;
}

int32_t runServiceDispatcher(Launcher& launcher, ServiceIdentity& identity, ServiceHost& host) {
    if (!prepareIdentity(identity, launcher)) return -1;
    host.statusBlock().identity = &identity;
    launcher.exitListener = &host;
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<LPWSTR>(L""), serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int32_t>(GetLastError());
}

}  // namespace qx
