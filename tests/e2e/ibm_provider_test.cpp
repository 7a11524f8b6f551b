// Provider "ibm" or "favor_ibm": the VM thread stays in the VM after main returns, so the process (or
// the service) ends only through the VM's own exit.
#include <gtest/gtest.h>

#include <string>

#include "support/lib/async_child.h"
#include "support/lib/launcher_app.h"
#include "support/lib/test_service.h"

using namespace qxtest;

namespace {

// Bounds for a JVM start under Wine; reaching one is a failure, never a measurement.
constexpr DWORD kStartMs = 60000;
// How long an ending that must not come is given to show itself.
constexpr DWORD kGraceMs = 1500;

std::string iniFor(const std::string& mainClass, const std::string& provider, const std::wstring& log,
                   const std::string& extraVm = "", const std::string& app = "") {
    return "[Java Runtime Environment]\r\nMain Class=" + mainClass +
           "\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) + "\r\nVM Provider=" + provider +
           "\r\nVirtual Machine Parameters=-Dqx.log=" + narrow(log) + " " + extraVm +
           "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"single")) + ";" +
           narrow(testJar(L"service")) + "\r\n[Application]\r\n" + app;
}

TEST(IbmProvider, ProcessOutlivesMainAndEndsThroughTheVmsExit) {
    for (const char* provider : {"ibm", "favor_ibm"}) {
        LauncherApp app = makeApp(L"ibm-normal");
        const std::wstring log = app.dir + L"\\log.txt";
        const std::wstring trigger = app.dir + L"\\exit-now";
        app.writeIni(iniFor("qx.test.SingleNone", provider, log));
        AsyncChild child;
        ASSERT_TRUE(child.start(quote(app.exe) + L" --daemon-exit-on=" + trigger + L":5", app.options));
        ASSERT_TRUE(waitForLineStarting(log, "main done", kStartMs)) << provider;
        EXPECT_FALSE(child.ended(kGraceMs)) << provider;
        // A daemon thread calls System.exit(5) once the trigger exists.
        writeFile(trigger, "");
        ASSERT_TRUE(child.ended(kStartMs)) << provider;
        EXPECT_EQ(child.exitCode(), 5u) << provider;
    }
    // Any other provider: the run ends when main returns, and the daemon dies with the VM.
    LauncherApp app = makeApp(L"ibm-other");
    const std::wstring log = app.dir + L"\\log.txt";
    app.writeIni(iniFor("qx.test.SingleNone", "favor_sun", log));
    ChildResult r = app.run(L"--daemon-exit-on=" + app.dir + L"\\never:5");
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_FALSE(r.timedOut);
}

TEST(IbmProvider, ServiceStopsOnlyThroughExit) {
    LauncherApp app = makeApp(L"ibm-service", L"svc");
    const std::wstring log = app.dir + L"\\log.txt";
    app.writeIni(iniFor("qx.test.ServiceApp", "ibm", log, "-Dqx.mainReturns=true -Dqx.stopExits=true",
                        "Application Type=service\r\n"));
    TestService svc(L"QxTestIbmExit", quote(app.exe));
    ASSERT_TRUE(svc.start());
    ASSERT_TRUE(waitForLineStarting(log, "main done", kStartMs));
    // main has returned, yet the run goes on.
    Sleep(kGraceMs);
    EXPECT_EQ(svc.status().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    qx::UniqueHandle process = svc.openProcess();
    ASSERT_TRUE(process);
    ASSERT_TRUE(svc.stop());
    ASSERT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs));
    EXPECT_EQ(svc.status().dwWin32ExitCode, 0u);
    EXPECT_EQ(WaitForSingleObject(process.get(), kStartMs), WAIT_OBJECT_0);

    // A stop method that does not exit leaves the service stop-pending.
    app.writeIni(
        iniFor("qx.test.ServiceApp", "ibm", log, "-Dqx.mainReturns=true", "Application Type=service\r\n"));
    const size_t stops = countLinesStarting(log, "stop called");
    ASSERT_TRUE(svc.start());
    ASSERT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs));
    const ULONGLONG deadline = GetTickCount64() + kStartMs;
    while (countLinesStarting(log, "main done") < 2 && GetTickCount64() < deadline) Sleep(50);
    ASSERT_EQ(countLinesStarting(log, "main done"), 2u);
    ASSERT_TRUE(svc.stop());
    while (countLinesStarting(log, "stop called") == stops && GetTickCount64() < deadline) Sleep(50);
    ASSERT_EQ(countLinesStarting(log, "stop called"), stops + 1);
    Sleep(kGraceMs);
    EXPECT_EQ(svc.status().dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    // The registration's owner ends the process.
}

}  // namespace
