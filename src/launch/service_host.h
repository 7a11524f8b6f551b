// Service mode: the launcher as a Windows service of its own process. The service main runs the usual
// launch; a stop or shutdown calls the application's static "stop", or System.exit(0) without one.
#pragma once

#include <windows.h>

#include <winsvc.h>

#include <cstdint>
#include <string>

#include "base/scoped.h"

#include "vm/vm_exit_listener.h"

namespace qx {

struct Launcher;
class ServiceHost;

struct ServiceIdentity {
    std::wstring modulePath;
    std::wstring serviceName;  // the module path after its last backslash
    std::wstring displayName;  // "<service name> Java Service"
    Launcher* launcher = nullptr;
};

// Fills `identity`; false when the module path cannot be read (its error line is written).
[[nodiscard]] bool prepareIdentity(ServiceIdentity& identity, Launcher& launcher);

// Stop progress is reported once a second for at most this many check points (two minutes); a stop that
// takes longer is then left to the control manager to judge.
constexpr DWORD kMaxStopCheckPoints = 120;

// How a status reaches the control manager: SetServiceStatus, or a stand-in in tests.
using ReportServiceStatusFn = BOOL(WINAPI*)(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS);

// The reported status. Every report is made outside the lock that the control handler takes: a report
// may wait for the control manager, which may be waiting for the handler. Reports never overlap and go
// out in the order of the changes, the newest last; STOPPED is the last one, and nothing is reported
// after it.
struct ServiceStatusBlock {
    // Publishes itself for the service main and the control handler.
    explicit ServiceStatusBlock(DWORD maxStopCheckPoints = kMaxStopCheckPoints,
                                ReportServiceStatusFn report = SetServiceStatus);
    ~ServiceStatusBlock();  // ends the progress thread
    ServiceStatusBlock(const ServiceStatusBlock&) = delete;
    ServiceStatusBlock& operator=(const ServiceStatusBlock&) = delete;

    // Each sets the fields and reports; false when the report fails or STOPPED has been reported
    // already. The service thread's and the progress thread's reports wait for one on its way; the
    // control handler's two (stop pending, the interrogation answer) never wait: they leave their
    // state to the report on its way, which reports it next, and count as made.
    [[nodiscard]] bool reportRunning();
    [[nodiscard]] bool reportStopPending();
    [[nodiscard]] bool reportStopped(DWORD win32ExitCode);
    [[nodiscard]] bool reportCurrent();
    // While a stop is pending: the next check point, reported. False once the state has moved on, the
    // stop was given up or the check points have reached their bound.
    [[nodiscard]] bool advanceStopCheckPoint();
    void abandonStop();
    // Starts the thread that calls advanceStopCheckPoint once a second, unless one is running.
    void startStopProgress();

    SERVICE_STATUS status{};
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    ServiceIdentity* identity = nullptr;
    ServiceHost* host = nullptr;

private:
    enum class Turn { Wait, HandOver };
    // Reports the status after a change made under the lock (counted in changes_), outside it.
    bool publish(Turn turn);

    static DWORD WINAPI stopProgressThreadMain(LPVOID block);

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE reportDone_ = CONDITION_VARIABLE_INIT;
    const ReportServiceStatusFn report_;
    unsigned long long changes_ = 0;   // changes of the status so far
    unsigned long long reported_ = 0;  // the changes the report on its way, or the last one, carries
    bool reporting_ = false;           // a report is on its way
    bool lastReportOk_ = false;
    bool stopAbandoned_ = false;
    bool stopped_ = false;  // STOPPED has been set: nothing is changed or reported after it
    bool closing_ = false;  // the block is going: no more progress
    const DWORD maxStopCheckPoints_;
    volatile LONG progressRunning_ = 0;
    UniqueHandle progressThread_;
    UniqueHandle wakeProgress_;  // set when the block goes, so the thread need not sleep out its interval
};

// Once the dispatcher has run, the host, its status block and the launcher live until the process ends:
// its stop threads are never waited for, since one that meets the VM's final shutdown never returns.
class ServiceHost final : public VmExitListener {
public:
    ServiceHost(ServiceStatusBlock& status, Launcher& launcher);  // publishes itself for the callbacks
    ~ServiceHost();
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    int32_t preStart() { return 0; }
    // Appends the service arguments (the service name unless "Omit Service Name", then the start
    // parameters) and runs the launch; its result is the service's exit code.
    int32_t serviceRun(DWORD argc, LPWSTR* argv);
    // Settles a stop before main at once (main then never runs), or starts a stop thread; returns at
    // once either way.
    void serviceStop();

    void onVmExit(int32_t code) override;
    void onVmAbort() override {}

    Launcher& launcher() { return *launcher_; }
    ServiceStatusBlock& statusBlock() { return *status_; }

private:
    ServiceStatusBlock* status_;
    Launcher* launcher_;
};

void WINAPI serviceMain(DWORD argc, LPWSTR* argv);
void WINAPI controlHandler(DWORD control);
DWORD WINAPI stopThreadMain(LPVOID unused);
// Calls the main class's static "stop", or System.exit(0) when it has none; before the application has
// started, makes sure it never does (true). False when the VM has gone or the call failed.
[[nodiscard]] bool requestStop(Launcher& launcher);

// The entry point's service branch: prepares the identity, connects the exit hook and runs the
// dispatcher. 0 when it returned success, its Windows error otherwise (1063 from a console), -1 when
// the identity cannot be prepared. The dispatcher returns once STOPPED has been reported, while the
// service's threads may still run: the caller ends the process without releasing anything they use.
int32_t runServiceDispatcher(Launcher& launcher, ServiceIdentity& identity, ServiceHost& host);

}  // namespace qx
