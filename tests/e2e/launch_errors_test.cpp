// Every failure of a start writes its exact error line to standard output and ends with its exit code,
// from the console launcher and, given a standard output by its parent, from the windowed one alike.
#include <gtest/gtest.h>

#include "support/lib/java_registry.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;

struct LauncherExe {
    const char* name;
    std::wstring (*exe)();
};

// Every row below runs once per launcher.
class LaunchErrors : public ::testing::TestWithParam<LauncherExe> {
protected:
    LauncherApp makeApp(const std::wstring& testName) const {
        return qxtest::makeApp(testName, L"app", GetParam().exe());
    }
};

TEST_P(LaunchErrors, MissingMainClassWritesOneLineAndFails) {
    LauncherApp app = makeApp(L"errors-no-main");
    app.writeIni("[Java Runtime Environment]\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) + "\r\n");
    ChildResult r = app.run(L"a");
    EXPECT_EQ(r.out, "Error: Main class was not specified in INI file. \n");
    EXPECT_EQ(r.exitCode, kFailed);

    // Traced, the start still fails the same way, and the trace ends with the exit code.
    app.options.env[L"QXLAUNCH_TRACE"] = L"stderr";
    r = app.run(L"a");
    EXPECT_EQ(r.out, "Error: Main class was not specified in INI file. \n");
    EXPECT_EQ(r.exitCode, kFailed);
    ASSERT_FALSE(lines(r.err).empty());
    EXPECT_NE(lines(r.err).back().find("] exit code -1"), std::string::npos) << r.err;
    app.options.env.erase(L"QXLAUNCH_TRACE");

    // No settings file at all is the same case: nothing names a main class.
    DeleteFileW(app.ini.c_str());
    r = app.run();
    EXPECT_EQ(r.out, "Error: Main class was not specified in INI file. \n");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_P(LaunchErrors, EmptyClassPathIsReportedAndTheStartGoesOn) {
    LauncherApp app = makeApp(L"errors-no-class-path");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" +
                 narrow(runtimeHome(L"jdk17")) + "\r\nVirtual Machine Parameters=-Dnever=taken\r\n");
    ChildResult r = app.run();
    // The VM starts without the probe on its class path; its own launcher helper then fails the class.
    EXPECT_EQ(lines(r.out).front(), "Error: Java Class Path was not specified in INI file. ");
    EXPECT_NE(r.err.find("qx.test.Probe"), std::string::npos) << r.err;
    EXPECT_EQ(r.exitCode, 1u);
    for (const std::string& line : app.traceLines()) EXPECT_EQ(line.find("never"), std::string::npos) << line;
}

TEST_P(LaunchErrors, UnloadableJvmLibraryGivesTheWindowsError) {
    LauncherApp app = makeApp(L"errors-bad-library");
    const std::wstring home = app.dir + L"\\jre";
    CreateDirectoryW(home.c_str(), nullptr);
    CreateDirectoryW((home + L"\\bin").c_str(), nullptr);
    CreateDirectoryW((home + L"\\bin\\server").c_str(), nullptr);
    writeFile(home + L"\\bin\\server\\jvm.dll", "this is not a PE file");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" + narrow(home) +
                 "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) + "\r\n");
    ChildResult r = app.run();
    EXPECT_EQ(r.out, "Error: Failed to load Java VM library: " + narrow(home) +
                         "\\bin\\server\\jvm.dll (errno = 193).\n \n");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_P(LaunchErrors, LibraryWithoutInvocationExportsIsRejected) {
    LauncherApp app = makeApp(L"errors-no-exports");
    app.writeIni(probeIni("", "", L"noexports"));
    ChildResult r = app.run();
    EXPECT_EQ(r.out, "Error: Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n \n");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_P(LaunchErrors, EveryCreateJavaVmResultHasItsReason) {
    LauncherApp app = makeApp(L"errors-create-fails");
    app.writeIni(probeIni("", "", L"createfails"));
    const struct {
        const wchar_t* result;
        const char* reason;
    } cases[] = {
        {L"-1", "unknown"},
        {L"-2", "thread detached from VM"},
        {L"-3", "JNI version error"},
        {L"-4", "not enough memory"},
        {L"-5", "VM already created"},
        {L"-6", "invalid arguments"},
        {L"-7", ""},
        {L"42", ""},
    };
    for (const auto& c : cases) {
        app.options.env[L"QXTEST_CREATE_RESULT"] = c.result;
        ChildResult r = app.run();
        EXPECT_EQ(r.out, std::string("Error: JNI exception: failed to create the Java VM\nReason: ") +
                             c.reason + ".\n \n")
            << narrow(c.result);
        EXPECT_EQ(r.exitCode, kFailed) << narrow(c.result);
    }
}

TEST_P(LaunchErrors, MissingClassThroughFindClassIsDescribedThenReported) {
    LauncherApp app = makeApp(L"errors-no-class");
    app.writeIni(probeIni("", "", L"jdk17-nohelper"));
    WritePrivateProfileStringW(L"Java Runtime Environment", L"Main Class", L"no.such.App", app.ini.c_str());
    ChildResult r = app.run();
    EXPECT_EQ(r.out, "Error: Could not find the main class no/such/App.\n \n");
    EXPECT_NE(r.err.find("NoClassDefFoundError"), std::string::npos) << r.err;
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_P(LaunchErrors, MissingMainMethodWithoutPendingExceptionIsReported) {
    LauncherApp app = makeApp(L"errors-no-main-method");
    app.writeIni(probeIni("", "", L"jdk17-nohelper"));
    app.options.env[L"QXTEST_FAIL_STATIC_METHOD"] = L"main";
    ChildResult r = app.run();
    EXPECT_EQ(r.out, "Error: No main method found in specified class.\n \n");
    EXPECT_EQ(r.exitCode, kFailed);
    EXPECT_FALSE(r.timedOut);
}

TEST_P(LaunchErrors, MainMethodLookupWithPendingExceptionIsDescribedOnly) {
    // A class without main: the JVM raises NoSuchMethodError, which is described, and nothing else.
    LauncherApp app = makeApp(L"errors-main-pending");
    app.writeIni(probeIni("", "", L"jdk17-nohelper"));
    WritePrivateProfileStringW(L"Java Runtime Environment", L"Main Class", L"java.lang.Object",
                               app.ini.c_str());
    ChildResult r = app.run();
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("NoSuchMethodError"), std::string::npos) << r.err;
    EXPECT_EQ(r.exitCode, kFailed);
    EXPECT_FALSE(r.timedOut);
}

TEST_P(LaunchErrors, NoRuntimeAnywhereFails) {
    // Other test programs register runtimes in the prefix's registry: none while this one searches.
    JavaRegistry registry;
    LauncherApp app = makeApp(L"errors-no-runtime");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" + narrow(app.dir) +
                 "\\missing\r\n");
    // With a desktop the missing-runtime dialog would ask the user; on a window station that shows
    // nothing the start ends at once.
    app.options.desktop = L"qxtest-no-desktop\\Default";
    ChildResult r = app.run();
    EXPECT_EQ(r.exitCode, kFailed);
    EXPECT_FALSE(r.timedOut);
}

INSTANTIATE_TEST_SUITE_P(BothLaunchers, LaunchErrors,
                         ::testing::Values(LauncherExe{"Console", launcherExe},
                                           LauncherExe{"Windowed", windowedLauncherExe}),
                         [](const ::testing::TestParamInfo<LauncherExe>& info) { return info.param.name; });

}  // namespace
