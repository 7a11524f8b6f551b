// The service's reported status, as the control manager would see it.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "base/scoped.h"
#include "launch/service_host.h"

namespace qx {
namespace {

// A stop whose Java side never ends must stop showing progress, so the control manager can call it hung.
TEST(ServiceStatus, StopProgressEndsAtItsBoundAndStartsAgainWithTheNextStop) {
    for (const DWORD bound : {kMaxStopCheckPoints, DWORD{3}, DWORD{0}}) {
        ServiceStatusBlock block(bound);
        // Outside a service every report fails; the fields still show what would have been reported.
        static_cast<void>(block.reportStopPending());
        for (DWORD i = 0; i < bound + 10; ++i) static_cast<void>(block.advanceStopCheckPoint());
        EXPECT_EQ(block.status.dwCheckPoint, bound);
        EXPECT_EQ(block.status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));

        static_cast<void>(block.reportStopPending());
        static_cast<void>(block.advanceStopCheckPoint());
        EXPECT_EQ(block.status.dwCheckPoint, bound == 0 ? 0u : 1u);
    }
}

// STOPPED is the last word: a stop request, an interrogation or a progress report that comes after it
// (from a stop thread or the progress thread still on their way) must not make the service look alive.
TEST(ServiceStatus, NothingIsReportedAfterStopped) {
    ServiceStatusBlock block;
    // Outside a service every report fails; the fields still show what would have been reported.
    static_cast<void>(block.reportStopPending());
    static_cast<void>(block.reportStopped(7));
    static_cast<void>(block.reportStopPending());
    static_cast<void>(block.advanceStopCheckPoint());
    static_cast<void>(block.reportRunning());
    static_cast<void>(block.reportStopped(0));
    EXPECT_EQ(block.status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(block.status.dwWin32ExitCode, 7u);
    EXPECT_EQ(block.status.dwCheckPoint, 0u);
}

// A stand-in for SetServiceStatus that behaves as the control manager may: while a report is on its
// way, the dispatcher runs the control handler, and the report ends only once the handler has returned.
struct HandlerDuringReport {
    static inline DWORD reporter = 0;  // the thread whose next report lets the handler run
    static inline bool handlerReturned = false;
    static inline std::vector<DWORD> reported;  // the states reported, in order
    static inline qx::UniqueHandle handler;

    // A bound on a hang, not a measurement: the handler only has to take a lock and return.
    static constexpr DWORD kHandlerBoundMs = 10000;

    static BOOL WINAPI report(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS status) {
        reported.push_back(status->dwCurrentState);
        if (GetCurrentThreadId() != reporter) return TRUE;
        reporter = 0;
        handler.reset(CreateThread(
            nullptr, 0,
            [](LPVOID) -> DWORD {
                controlHandler(SERVICE_CONTROL_INTERROGATE);
                return 0;
            },
            nullptr, 0, nullptr));
        handlerReturned = handler && WaitForSingleObject(handler.get(), kHandlerBoundMs) == WAIT_OBJECT_0;
        return TRUE;
    }
};

// Every report is made outside the lock the control handler takes, so the handler can run while a
// report waits for it; the handler's own answer then goes out right after, and the newest state last.
TEST(ServiceStatus, TheControlHandlerRunsWhileAnyReportIsOnItsWay) {
    using Step = std::function<bool(ServiceStatusBlock&)>;
    const struct {
        const char* report;
        Step before;  // brings the block to the state the report is made in
        Step step;
        DWORD last;  // the state reported last
    } cases[] = {
        {"RUNNING", [](ServiceStatusBlock&) { return true; },
         [](ServiceStatusBlock& b) { return b.reportRunning(); }, SERVICE_RUNNING},
        {"STOP_PENDING", [](ServiceStatusBlock& b) { return b.reportRunning(); },
         [](ServiceStatusBlock& b) { return b.reportStopPending(); }, SERVICE_STOP_PENDING},
        {"a progress check point", [](ServiceStatusBlock& b) { return b.reportStopPending(); },
         [](ServiceStatusBlock& b) { return b.advanceStopCheckPoint(); }, SERVICE_STOP_PENDING},
        {"the interrogation answer", [](ServiceStatusBlock& b) { return b.reportRunning(); },
         [](ServiceStatusBlock& b) { return b.reportCurrent(); }, SERVICE_RUNNING},
        {"STOPPED", [](ServiceStatusBlock& b) { return b.reportRunning(); },
         [](ServiceStatusBlock& b) { return b.reportStopped(0); }, SERVICE_STOPPED},
    };
    for (const auto& c : cases) {
        ServiceStatusBlock block(kMaxStopCheckPoints, HandlerDuringReport::report);
        ASSERT_TRUE(c.before(block)) << c.report;
        HandlerDuringReport::reported.clear();
        HandlerDuringReport::handlerReturned = false;
        HandlerDuringReport::reporter = GetCurrentThreadId();
        EXPECT_TRUE(c.step(block)) << c.report;
        EXPECT_TRUE(HandlerDuringReport::handlerReturned)
            << c.report << ": the handler waited for the report";
        // Once the handler is through (it is, if it waited), the state last reported is the newest.
        ASSERT_EQ(WaitForSingleObject(HandlerDuringReport::handler.get(), INFINITE), WAIT_OBJECT_0);
        ASSERT_FALSE(HandlerDuringReport::reported.empty()) << c.report;
        EXPECT_EQ(HandlerDuringReport::reported.back(), c.last) << c.report;
        HandlerDuringReport::handler.reset();
    }
}

}  // namespace
}  // namespace qx
