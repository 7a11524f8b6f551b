// The Java application sees the environment the launcher prepared for its runtime.
#include <gtest/gtest.h>

#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

std::string valueOf(const std::string& out, const std::string& key) {
    for (const std::string& line : lines(out)) {
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<missing " + key + ">";
}

std::string libraryPathOption(const LauncherApp& app) {
    for (const std::string& line : app.traceLines()) {
        if (line.rfind("option=-Djava.library.path=", 0) == 0) return line.substr(7);
    }
    return {};
}

TEST(ProcessEnvironment, RuntimeIsPublishedAndPathExtended) {
    LauncherApp app = makeApp(L"env-published");
    app.writeIni(probeIni("System Path=C:\\tools\r\n"));
    app.options.env[L"Path"] = L"C:\\windows\\system32";
    ChildResult r = app.run(L"--env=QX_JVM_PATH --env=QX_JVM_HOME --env=QX_EXE_DIR --env=Path");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    const std::string home = narrow(runtimeHome(L"jdk17"));
    EXPECT_EQ(valueOf(r.out, "env[QX_JVM_PATH]"), home + "\\bin\\server\\jvm.dll");
    EXPECT_EQ(valueOf(r.out, "env[QX_JVM_HOME]"), home);
    EXPECT_EQ(valueOf(r.out, "env[QX_EXE_DIR]"), narrow(app.dir));
    EXPECT_EQ(valueOf(r.out, "env[Path]"), "C:\\tools;C:\\windows\\system32;" + home + "\\bin");
    // Without "Library Path" the VM keeps its own default.
    EXPECT_EQ(libraryPathOption(app), "");
}

TEST(ProcessEnvironment, LibraryPathOptionIsBuiltFromTheSettings) {
    LauncherApp app = makeApp(L"env-library-path");
    const std::string home = narrow(runtimeHome(L"jdk17"));
    const std::string exeDir = narrow(app.dir) + "\\";
    app.options.env[L"Path"] = L"C:\\windows";

    // With or without a final ";", the launcher folder always starts its own entry; QX_JVM_HOME is
    // already set when the setting is expanded.
    for (const char* setting : {"native", "native;", "%QX_JVM_HOME%\\bin"}) {
        app.writeIni(probeIni(std::string("Library Path=") + setting + "\r\n"));
        ChildResult r = app.run(L"--prop=java.library.path");
        ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
        std::string first = setting;
        if (first == "%QX_JVM_HOME%\\bin") first = home + "\\bin";
        if (first.back() == ';') first.pop_back();
        const std::string expected = first + ";" + exeDir + ";.;C:\\windows;" + home + "\\lib";
        EXPECT_EQ(libraryPathOption(app), "-Djava.library.path=" + expected) << setting;
    }
}

TEST(ProcessEnvironment, UndefinedPathStaysLiteral) {
    LauncherApp app = makeApp(L"env-no-path");
    app.writeIni(probeIni("Library Path=lib\r\n"));
    app.options.env[L"Path"] = L"";
    app.options.env[L"PATH"] = L"";
    ChildResult r = app.run(L"--env=Path");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    const std::string home = narrow(runtimeHome(L"jdk17"));
    EXPECT_EQ(valueOf(r.out, "env[Path]"), "%Path%;" + home + "\\bin");
    EXPECT_NE(libraryPathOption(app).find(";%Path%;"), std::string::npos) << libraryPathOption(app);
}

TEST(ProcessEnvironment, SettingsMayReferToTheRuntime) {
    LauncherApp app = makeApp(L"env-refer");
    app.writeIni(
        probeIni("Virtual Machine Parameters=\"-Dhome=%QX_JVM_HOME%\" \"-Dfiles=%QX_EXE_DIR%\\app\""
                 " -Dmissing=%QX_NOT_DEFINED%\r\n",
                 "Cmd=%QX_JVM_PATH%\r\n"));
    ChildResult r = app.run(L"--prop=home --prop=missing --prop=files");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    const std::string home = narrow(runtimeHome(L"jdk17"));
    EXPECT_EQ(valueOf(r.out, "prop[home]"), home);
    EXPECT_EQ(valueOf(r.out, "prop[missing]"), "%QX_NOT_DEFINED%");
    EXPECT_EQ(valueOf(r.out, "prop[files]"), narrow(app.dir) + "\\app");
    EXPECT_EQ(valueOf(r.out, "arg[3]"), home + "\\bin\\server\\jvm.dll");
}

TEST(ProcessEnvironment, HugeLibraryPathDoesNotBreakTheStart) {
    LauncherApp app = makeApp(L"env-huge");
    app.writeIni(probeIni("Library Path=" + std::string(40000, 'x') + "\r\n"));
    ChildResult r = app.run();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
}

// The runtime's own dependencies come from its folders, never from the launcher's folder or the working
// folder, where anyone who hands out the launcher can put a DLL of the same name.
TEST(ProcessEnvironment, RuntimeDependenciesAreNotTakenFromTheLaunchersOrTheWorkingFolder) {
    LauncherApp app = makeApp(L"env-planted-dll");
    const std::wstring planted = runtimeHome(L"planted-dependency") + L"\\qxdep.dll";
    const std::wstring work = app.dir + L"\\work";
    ASSERT_TRUE(CreateDirectoryW(work.c_str(), nullptr));
    ASSERT_TRUE(copyFile(planted, app.dir + L"\\qxdep.dll"));
    ASSERT_TRUE(copyFile(planted, work + L"\\qxdep.dll"));
    app.options.workDir = work;
    app.writeIni(probeIni("", "", L"deps"));
    const ChildResult r = app.run();
    EXPECT_TRUE(hasLine(r.out, "dependency=runtime bin")) << r.out << r.err;
}

}  // namespace
