// Service mode under Wine's own control manager: the launcher started as a service, stopped through
// the application's static stop or System.exit(0). The test program is an ordinary Wine process that
// lives for the whole test, which keeps the control manager and its services alive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "support/lib/async_child.h"
#include "support/lib/busy_loops.h"
#include "support/lib/launcher_app.h"
#include "support/lib/test_service.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
// Bounds for a JVM start or stop under Wine; reaching one is a failure, never a measurement.
constexpr DWORD kStartMs = 60000;

struct ServiceApp {
    LauncherApp app;
    std::wstring log;

    explicit ServiceApp(const std::wstring& test, const std::string& mainClass = "qx.test.ServiceApp",
                        const std::string& extraVm = "", const std::string& extraApp = "",
                        const std::wstring& runtime = L"jdk17")
        : app(makeApp(test, L"svc")), log(app.dir + L"\\log.txt") {
        writeIni(mainClass, extraVm, extraApp, runtime);
    }

    void writeIni(const std::string& mainClass, const std::string& extraVm = "",
                  const std::string& extraApp = "", const std::wstring& runtime = L"jdk17") const {
        // single.jar brings the class loader that can hold the VM's creation.
        app.writeIni("[Java Runtime Environment]\r\nMain Class=" + mainClass + "\r\nJRE Path=" +
                     narrow(runtimeHome(runtime)) + "\r\nVirtual Machine Parameters=-Dqx.log=" + narrow(log) +
                     " " + extraVm + "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"service")) + ";" +
                     narrow(testJar(L"single")) + "\r\n[Application]\r\nApplication Type=service\r\n" +
                     extraApp);
    }

    std::wstring commandLine(const std::wstring& args = L"") const {
        return args.empty() ? quote(app.exe) : quote(app.exe) + L" " + args;
    }
    std::wstring file(const std::wstring& name) const { return app.dir + L"\\" + name; }

    // The "arg[i]=" lines of the last start.
    std::vector<std::string> lastArguments() const {
        std::vector<std::string> args;
        for (const std::string& line : fileLines(log)) {
            if (line == "start") args.clear();
            if (line.rfind("arg[", 0) == 0) args.push_back(line.substr(line.find('=') + 1));
        }
        return args;
    }
    bool logged(const std::string& line) const {
        for (const std::string& l : fileLines(log)) {
            if (l == line) return true;
        }
        return false;
    }
};

bool processEnds(const qx::UniqueHandle& process, DWORD* exitCode = nullptr) {
    if (!process || WaitForSingleObject(process.get(), kStartMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process.get(), exitCode);
    return true;
}

// Wine's control manager passes on the error of the CreateProcessW it makes for a start, and Wine's
// process creation ends with ERROR_INTERNAL_ERROR when the new process goes before its own start-up is
// done: then no code of the launcher has run (nothing logged, the service still STOPPED). Seen about once
// in 1,500 starts, loaded or not; such a start is tried once more and counted apart, any other failure
// counts. 0 when the service started, the error of the start that counts otherwise.
DWORD startUnlessWineFails(TestService& svc, const ServiceApp& s, int& wineStartFailures,
                           const std::vector<std::wstring>& parameters = {}) {
    const size_t starts = countLinesStarting(s.log, "start");
    if (svc.start(parameters)) return 0;
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR || countLinesStarting(s.log, "start") != starts ||
        svc.status().dwCurrentState != SERVICE_STOPPED)
        return error;
    ++wineStartFailures;
    return svc.start(parameters) ? 0 : GetLastError();
}

// The same for a test of a single start: 0 when it started, its error otherwise.
DWORD startService(TestService& svc, const ServiceApp& s, const std::vector<std::wstring>& parameters = {}) {
    int wineStartFailures = 0;
    return startUnlessWineFails(svc, s, wineStartFailures, parameters);
}

TEST(ServiceMode, StartedFromAConsoleEndsWithTheDispatchersError) {
    ServiceApp s(L"svc-console");
    ChildResult r = s.app.run(L"a b");
    EXPECT_EQ(r.exitCode, 1063u) << r.out << r.err;
    EXPECT_TRUE(fileLines(s.log).empty());  // initialised, but nothing ran
}

TEST(ServiceMode, StopCallsTheStaticStopAndStoppedFollowsTheLastNonDaemonThread) {
    // "Single Instance" is ignored for a service: a console start during the run is no second start.
    ServiceApp s(L"svc-stop", "qx.test.ServiceApp", "-Dqx.lingerMs=1500", "Single Instance=yes\r\n");
    TestService svc(L"QxTestStop", s.commandLine(L"cmd1 \"cmd two\""));
    ASSERT_TRUE(svc.registered());
    ASSERT_EQ(startService(svc, s, {L"p1", L"p2"}), 0u);
    ASSERT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs));
    ASSERT_TRUE(waitForLineStarting(s.log, "args done", kStartMs));
    EXPECT_EQ(s.lastArguments(), (std::vector<std::string>{"cmd1", "cmd two", "QxTestStop", "p1", "p2"}));
    const SERVICE_STATUS_PROCESS running = svc.status();
    EXPECT_EQ(running.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(running.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));

    EXPECT_EQ(s.app.run().exitCode, 1063u);

    qx::UniqueHandle process = svc.openProcess();
    ASSERT_TRUE(process);
    SERVICE_STATUS reply{};
    ASSERT_TRUE(svc.stop(&reply));
    EXPECT_EQ(reply.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(reply.dwWaitHint, 3000u);
    ASSERT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs));
    EXPECT_EQ(svc.status().dwWin32ExitCode, 0u);
    // Stopped only once main has returned and the lingering worker has ended.
    EXPECT_TRUE(s.logged("main done"));
    EXPECT_TRUE(s.logged("worker done"));
    DWORD code = 0xDEAD;
    EXPECT_TRUE(processEnds(process, &code));
    EXPECT_EQ(code, 0u);
}

TEST(ServiceMode, RunningIsReportedBeforeTheVmExists) {
    ServiceApp s(L"svc-running");
    const std::wstring go = s.file(L"go");
    s.writeIni("qx.test.ServiceApp",
               "-Djava.system.class.loader=qx.test.SlowLoader -Dqx.loaderWait=" + narrow(go));
    TestService svc(L"QxTestRunning", s.commandLine());
    ASSERT_EQ(startService(svc, s), 0u);
    ASSERT_TRUE(waitForLineStarting(s.log, "loader waiting", kStartMs));
    // The VM's creation is held, and the service already reports running.
    EXPECT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs));
    EXPECT_FALSE(s.logged("start"));
    writeFile(go, "");
    ASSERT_TRUE(waitForLineStarting(s.log, "start", kStartMs));
    ASSERT_TRUE(svc.stop());
    EXPECT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs));
}

TEST(ServiceMode, OmitServiceNameLeavesOnlyTheStartParameters) {
    ServiceApp s(L"svc-omit", "qx.test.ServiceApp", "", "Omit Service Name=1\r\n");
    TestService svc(L"QxTestOmit", s.commandLine());
    for (const std::vector<std::wstring>& parameters :
         {std::vector<std::wstring>{L"p1"}, std::vector<std::wstring>{}}) {
        const size_t starts = countLinesStarting(s.log, "args done");
        ASSERT_EQ(startService(svc, s, parameters), 0u);
        ASSERT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs));
        const ULONGLONG deadline = GetTickCount64() + kStartMs;
        while (countLinesStarting(s.log, "args done") <= starts && GetTickCount64() < deadline) Sleep(50);
        std::vector<std::string> expected;
        for (const std::wstring& p : parameters) expected.push_back(narrow(p));
        EXPECT_EQ(s.lastArguments(), expected);
        ASSERT_TRUE(svc.stop());
        ASSERT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs));
    }
}

TEST(ServiceMode, SlowStopKeepsReportingProgress) {
    ServiceApp s(L"svc-slow", "qx.test.ServiceApp", "-Dqx.stopMs=4000");
    TestService svc(L"QxTestSlow", s.commandLine());
    ASSERT_EQ(startService(svc, s), 0u);
    ASSERT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs));
    ASSERT_TRUE(waitForLineStarting(s.log, "args done", kStartMs));
    ASSERT_TRUE(svc.stop());
    std::vector<SERVICE_STATUS_PROCESS> seen;
    ASSERT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs, &seen));
    DWORD lastCheckPoint = 0;
    DWORD pendingReports = 0;
    for (const SERVICE_STATUS_PROCESS& status : seen) {
        if (status.dwCurrentState != SERVICE_STOP_PENDING) continue;
        ++pendingReports;
        EXPECT_GE(status.dwCheckPoint, lastCheckPoint);
        EXPECT_EQ(status.dwWaitHint, 3000u);
        lastCheckPoint = status.dwCheckPoint;
    }
    // stop sleeps four seconds; a fresh check point comes every second within the wait hint.
    EXPECT_GE(lastCheckPoint, 2u);
    EXPECT_GE(pendingReports, 2u);
    EXPECT_EQ(seen.back().dwWin32ExitCode, 0u);
    EXPECT_EQ(seen.back().dwCheckPoint, 0u);
}

TEST(ServiceMode, WithoutStopSystemExitEndsTheServiceAsStopped) {
    ServiceApp s(L"svc-exit", "qx.test.ServiceNoStop");
    TestService svc(L"QxTestExit", s.commandLine());
    ASSERT_EQ(startService(svc, s), 0u);
    ASSERT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs));
    ASSERT_TRUE(waitForLineStarting(s.log, "main done", kStartMs));
    qx::UniqueHandle process = svc.openProcess();
    ASSERT_TRUE(process);
    ASSERT_TRUE(svc.stop());
    ASSERT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs));
    EXPECT_EQ(svc.status().dwWin32ExitCode, 0u);
    DWORD code = 0xDEAD;
    EXPECT_TRUE(processEnds(process, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(s.logged("shutdown hook"));
}

TEST(ServiceMode, FailedRunReportsStoppedWithMinusOne) {
    // A runtime whose JNI_CreateJavaVM fails: run returns -1 without the VM ending the process.
    ServiceApp s(L"svc-fail", "qx.test.ServiceApp", "", "", L"createfails");
    TestService svc(L"QxTestFail", s.commandLine());
    ASSERT_EQ(startService(svc, s), 0u);
    ASSERT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs));
    EXPECT_EQ(svc.status().dwWin32ExitCode, kFailed);
}

// What went wrong in one start/stop cycle; empty when every step went through. After STOPPED the
// launcher's process has this long to end: a bound on a hang, not a measurement.
constexpr DWORD kEndAfterStoppedMs = 5000;

std::string runCycle(TestService& svc, const ServiceApp& s, int& wineStartFailures) {
    const size_t starts = countLinesStarting(s.log, "start");
    const size_t argsDone = countLinesStarting(s.log, "args done");
    if (const DWORD error = startUnlessWineFails(svc, s, wineStartFailures))
        return "start failed with error " + std::to_string(error);
    if (!svc.waitForState(SERVICE_RUNNING, kStartMs))
        return "never reached RUNNING, state " + std::to_string(svc.status().dwCurrentState);
    // A stop before main would end the run without it; this cycle is about a stop once main runs.
    const ULONGLONG deadline = GetTickCount64() + kStartMs;
    while (countLinesStarting(s.log, "args done") == argsDone && GetTickCount64() < deadline) Sleep(20);
    if (countLinesStarting(s.log, "args done") == argsDone) return "main never ran";
    qx::UniqueHandle process = svc.openProcess();
    if (!process) return "no process to watch";
    if (!svc.stop()) return "stop failed with error " + std::to_string(GetLastError());
    if (!svc.waitForState(SERVICE_STOPPED, kStartMs))
        return "never reached STOPPED, state " + std::to_string(svc.status().dwCurrentState);
    std::string failure;
    const DWORD exitCode = svc.status().dwWin32ExitCode;
    if (exitCode != 0) failure += "STOPPED with " + std::to_string(exitCode) + "; ";
    if (WaitForSingleObject(process.get(), kEndAfterStoppedMs) != WAIT_OBJECT_0) {
        failure += "the process was still there 5 s after STOPPED; ";
        TerminateProcess(process.get(), 0xDEAD);
    }
    const size_t mains = countLinesStarting(s.log, "start") - starts;
    if (mains != 1) failure += "main ran " + std::to_string(mains) + " times; ";
    return failure;
}

// The same cycle without load: the process of every start ends on STOPPED and runs main once.
TEST(ServiceMode, RepeatedStartAndStopCyclesEachReachStopped) {
    // QXTEST_SERVICE_CYCLES sets another count (a short run while working on this code).
    int cycles = 100;
    if (const char* text = std::getenv("QXTEST_SERVICE_CYCLES")) cycles = std::atoi(text);
    ServiceApp s(L"svc-cycles");
    TestService svc(L"QxTestCycles", s.commandLine());
    ASSERT_TRUE(svc.registered());
    const ULONGLONG began = GetTickCount64();
    int wineStartFailures = 0;
    for (int i = 0; i < cycles; ++i) {
        const std::string failure = runCycle(svc, s, wineStartFailures);
        ASSERT_EQ(failure, "") << "cycle " << i;
    }
    std::cout << cycles << " cycles, " << wineStartFailures
              << " start(s) Wine did not carry out, tried again, " << (GetTickCount64() - began) << " ms\n";
}

// Every way a run can end, and a stop at every stage of it: STOPPED with 0, and the launcher's process
// ends with 0 right after it. The VM's creation is held until the service reports RUNNING.
TEST(ServiceMode, EveryWayOfEndingReportsStoppedAndEndsTheProcess) {
    struct Case {
        const char* name;
        std::string vmOptions;
        bool stopWhileCreated;               // the stop goes out while the VM's creation is held
        const char* stopAfter;               // else once this line is logged; null: the run ends by itself
        bool holdInit;                       // the main class's initialisation is held until after the stop
        const char* logged;                  // a line the run must have written
        std::vector<std::string> notLogged;  // beginnings of lines it must not have written
    };
    const Case cases[] = {
        {"the application calls System.exit(0) itself",
         "-Dqx.mainExits=true",
         false,
         nullptr,
         false,
         "main exits",
         {"main done"}},
        {"a stop while the VM is being created", "", true, nullptr, false, nullptr, {"start"}},
        {"a stop once main has returned and a non-daemon thread waits for it",
         "-Dqx.mainReturns=true -Dqx.lingerMs=500",
         false,
         "main done",
         false,
         "worker done",
         {}},
        // The stop outlasts the VM, whose end then holds the stop thread for good.
        {"a stop while the VM shuts down",
         "-Dqx.mainReturns=true -Dqx.hookMs=3000 -Dqx.stopMs=5000",
         false,
         "hook start",
         false,
         "hook done",
         {}},
        // The application's stop must not meet a class whose main has not started: main never does.
        {"a stop while the main class initialises",
         "",
         false,
         "init waiting",
         true,
         "init done",
         {"start", "stop called"}},
    };
    for (const Case& c : cases) {
        ServiceApp s(L"svc-ending");
        const std::wstring go = s.file(L"go");
        const std::wstring init = s.file(L"init");
        s.writeIni("qx.test.ServiceApp",
                   "-Djava.system.class.loader=qx.test.SlowLoader -Dqx.loaderWait=" + narrow(go) + " " +
                       c.vmOptions + (c.holdInit ? " -Dqx.initWait=" + narrow(init) : ""));
        TestService svc(L"QxTestEnding", s.commandLine());
        ASSERT_EQ(startService(svc, s), 0u) << c.name;
        ASSERT_TRUE(svc.waitForState(SERVICE_RUNNING, kStartMs)) << c.name;
        ASSERT_TRUE(waitForLineStarting(s.log, "loader waiting", kStartMs)) << c.name;
        qx::UniqueHandle process = svc.openProcess();
        ASSERT_TRUE(process) << c.name;
        if (c.stopWhileCreated) {
            EXPECT_TRUE(svc.stop()) << c.name;
        }
        writeFile(go, "");
        if (c.stopAfter) {
            ASSERT_TRUE(waitForLineStarting(s.log, c.stopAfter, kStartMs)) << c.name;
            EXPECT_TRUE(svc.stop()) << c.name;
        }
        if (c.holdInit) writeFile(init, "");
        EXPECT_TRUE(svc.waitForState(SERVICE_STOPPED, kStartMs)) << c.name;
        EXPECT_EQ(svc.status().dwWin32ExitCode, 0u) << c.name;
        EXPECT_EQ(WaitForSingleObject(process.get(), kEndAfterStoppedMs), WAIT_OBJECT_0) << c.name;
        DWORD code = 0xDEAD;
        GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(code, 0u) << c.name;
        if (c.logged) {
            EXPECT_TRUE(s.logged(c.logged)) << c.name;
        }
        for (const std::string& line : c.notLogged) {
            EXPECT_EQ(countLinesStarting(s.log, line), 0u) << c.name << ": " << line;
        }
    }
}

// Start and stop cycles with the CPU kept busy beside them: each start reaches RUNNING and runs main
// once, each stop reports STOPPED with 0 and the launcher's process ends. The loaded mode of the
// service tests (its own CTest entry sets QXTEST_SERVICE_LOAD), since it takes minutes.
TEST(ServiceUnderLoad, EveryCycleRunsMainOnceAndEndsItsProcessOnStopped) {
    if (!std::getenv("QXTEST_SERVICE_LOAD"))
        GTEST_SKIP() << "the loaded mode runs as e2e_service_test_loaded";
    int cycles = 50;
    if (const char* text = std::getenv("QXTEST_SERVICE_CYCLES")) cycles = std::atoi(text);
    const struct {
        const char* name;
        const char* vmOptions;
    } cases[] = {
        {"stop returns at once", ""},
        {"stop takes 2 s", "-Dqx.stopMs=2000"},
        {"a non-daemon thread lingers after main", "-Dqx.lingerMs=500"},
    };
    const BusyLoops busy(2);
    for (const auto& c : cases) {
        ServiceApp s(L"svc-loaded", "qx.test.ServiceApp", c.vmOptions);
        TestService svc(L"QxTestLoaded", s.commandLine());
        ASSERT_TRUE(svc.registered());
        const ULONGLONG began = GetTickCount64();
        int failed = 0;
        int wineStartFailures = 0;
        for (int i = 0; i < cycles; ++i) {
            const std::string failure = runCycle(svc, s, wineStartFailures);
            if (failure.empty()) continue;
            ++failed;
            ADD_FAILURE() << c.name << ", cycle " << i << ": " << failure;
            svc.killProcess();
        }
        std::cout << c.name << ": " << cycles << " cycles, " << failed << " failed, " << wineStartFailures
                  << " start(s) Wine did not carry out, tried again, " << (GetTickCount64() - began)
                  << " ms\n";
    }
}

}  // namespace
