// The service's reported status, as the control manager would see it.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qx
