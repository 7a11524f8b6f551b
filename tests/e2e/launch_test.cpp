// A packaged application starts its Java main with the arguments and options its settings describe.
#include <gtest/gtest.h>

#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;

TEST(Launch, ArgumentsReachMainByTheLaunchersSplittingRules) {
    LauncherApp app = makeApp(L"launch-args", L"Probe App");
    app.writeIni(probeIni("", "Cmd=--from-cmd \"two words\" \"\"\r\n"));
    // Quotes count only at the start of a token; tabs and backslashes are ordinary characters.
    ChildResult r = app.run(
        L"plain \"with space\" \"\" gr\u00fc\u00dfe \u65e5\u672c a\"b c\"d tab\there "
        L"\"ab\"cd back\\\\ \"unclosed rest");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    const std::vector<std::string> expected = {
        "plain",          "with space", "",   "gr\u00fc\u00dfe", "\u65e5\u672c",  "a\"b",       "c\"d",
        "tab\\u0009here", "ab",         "cd", "back\\\\",        "unclosed rest", "--from-cmd", "two words"};
    std::vector<std::string> got;
    for (const std::string& line : lines(r.out)) {
        if (line.rfind("arg[", 0) == 0) got.push_back(line.substr(line.find('=') + 1));
    }
    EXPECT_EQ(got, expected) << r.out;
    EXPECT_TRUE(hasLine(r.out, "thread=main"));
    EXPECT_TRUE(hasLine(r.out, "main done"));
}

TEST(Launch, LongCommandLineWithAnUnclosedQuoteReachesMainWhole) {
    LauncherApp app = makeApp(L"launch-long-args");
    app.writeIni(probeIni());
    const std::wstring word(60, L'w');
    std::wstring args;
    for (int i = 0; i < 500; ++i) args += word + L" ";
    args += L"\"open " + std::wstring(1000, L'q');
    ChildResult r = app.run(args);
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_TRUE(hasLine(r.out, "args=501"));
    EXPECT_TRUE(hasLine(r.out, "arg[499]=" + narrow(word)));
    EXPECT_TRUE(hasLine(r.out, "arg[500]=open " + std::string(1000, 'q')));
}

TEST(Launch, ExitCodeFollowsJava) {
    LauncherApp app = makeApp(L"launch-exit");
    app.writeIni(probeIni());
    EXPECT_EQ(app.run(L"--exit=7").exitCode, 7u);
    EXPECT_EQ(app.run(L"--exit=-1").exitCode, kFailed);
    EXPECT_EQ(app.run(L"--exit=0").exitCode, 0u);
    EXPECT_EQ(app.run(L"x").exitCode, 0u);

    // An uncaught exception is described and fails the start, as with the Java launcher.
    ChildResult thrown = app.run(L"--throw=boom");
    EXPECT_EQ(thrown.exitCode, 1u);
    EXPECT_NE(thrown.err.find("java.lang.RuntimeException: boom"), std::string::npos) << thrown.err;
    EXPECT_EQ(thrown.out.find("main done"), std::string::npos);
}

TEST(Launch, DestroyingTheVmWaitsForNonDaemonThreads) {
    LauncherApp app = makeApp(L"launch-threads");
    app.writeIni(probeIni());
    ChildResult r = app.run(L"--thread-ms=500");
    EXPECT_EQ(r.exitCode, 0u);
    const std::vector<std::string> out = lines(r.out);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[out.size() - 2], "main done");
    EXPECT_EQ(out.back(), "thread done");
}

TEST(Launch, RawOptionsAreClassPathThenParametersThenHooks) {
    LauncherApp app = makeApp(L"launch-raw-options");
    app.writeIni(probeIni("Virtual Machine Parameters=-Xmx64m \"-Dq=a b\" -Dz=\"a\"\"b\"\r\n"));
    ChildResult r = app.run(L"--prop=q --prop=z");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "prop[q]=a b")) << r.out;
    const std::vector<std::string> expected = {
        "defaults version=0x10001",
        "version=0x10002",
        "option=-Djava.class.path=" + narrow(testJar(L"probe")),
        "option=-Xmx64m",
        "option=-Dq=a b",
        "option=-Dz=a\"b\"",
        "option+hook=abort",
        "option+hook=exit",
        "ignoreUnrecognized=0",
        "result=0",
    };
    EXPECT_EQ(app.traceLines(), expected);
}

TEST(Launch, StackSizeOptionSetsTheVmThreadsStack) {
    LauncherApp app = makeApp(L"launch-stack");
    app.writeIni(probeIni("Virtual Machine Parameters=-Xss4m -Xss3m\r\n"));
    ChildResult r = app.run(L"--stack");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "stack=3072")) << r.out;
    // Without -Xss the runtime's default is asked for once.
    app.writeIni(probeIni());
    r = app.run();
    ASSERT_EQ(r.exitCode, 0u);
    EXPECT_EQ(app.traceLines().front(), "defaults version=0x10001");
}

TEST(Launch, ClassPathPiecesAreResolved) {
    LauncherApp app = makeApp(L"launch-class-path");
    CreateDirectoryW((app.dir + L"\\lib").c_str(), nullptr);
    copyFile(testJar(L"probe"), app.dir + L"\\lib\\probe.jar");
    writeFile(app.dir + L"\\lib\\other.jar", "");
    app.options.env[L"QXTEST_LIBDIR"] = app.dir + L"\\lib";
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" +
                 narrow(runtimeHome(L"jdk17")) +
                 "\r\n[Class Path]\r\nClass "
                 "Path=lib\\*.jar;%QXTEST_LIBDIR%\\probe.jar;C:\\absent\\x.jar;nothing*.jar\r\n");
    ChildResult r = app.run(L"--prop=java.class.path");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    const std::string lib = narrow(app.dir) + "\\lib\\";
    const std::vector<std::string> trace = app.traceLines();
    ASSERT_GE(trace.size(), 3u);
    // Matches in the order the folder lists them, then the expanded and the absolute pieces.
    const std::string option = trace[2];
    EXPECT_EQ(option.rfind("option=-Djava.class.path=", 0), 0u) << option;
    EXPECT_NE(option.find(lib + "probe.jar;"), std::string::npos) << option;
    EXPECT_NE(option.find(lib + "other.jar;"), std::string::npos) << option;
    const std::string last = ";C:\\absent\\x.jar";
    EXPECT_EQ(option.rfind(last), option.size() - last.size()) << option;
    EXPECT_EQ(option.find("nothing"), std::string::npos) << option;
    EXPECT_EQ(option.find("%"), std::string::npos) << option;
}

TEST(Launch, EmbeddedJarRunsAClassThatLivesOnlyInTheExecutable) {
    LauncherApp app = makeApp(L"launch-embedded-jar");
    std::string exe, jar;
    ASSERT_TRUE(readFile(app.exe, exe));
    ASSERT_TRUE(readFile(testJar(L"probe"), jar));
    ASSERT_TRUE(writeFile(app.exe, exe + jar));
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" +
                 narrow(runtimeHome(L"jdk17")) + "\r\n[Application]\r\nEmbedded Jar=yes\r\n");
    ChildResult r = app.run(L"--prop=java.class.path");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "main done"));
    EXPECT_EQ(app.traceLines()[2], "option=-Djava.class.path=" + narrow(app.exe));
}

TEST(Launch, RelativeJrePathAndWorkingDirectory) {
    LauncherApp app = makeApp(L"launch-relative");
    // A private copy of the runtime's files beside the app, named relatively.
    const std::wstring rt = app.dir + L"\\rt";
    for (const wchar_t* d : {L"", L"\\bin", L"\\bin\\server"}) CreateDirectoryW((rt + d).c_str(), nullptr);
    copyFile(runtimeHome(L"jdk17") + L"\\bin\\server\\jvm.dll", rt + L"\\bin\\server\\jvm.dll");
    app.writeIni(
        "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=rt\r\n"
        "[Class Path]\r\nClass Path=" +
        narrow(testJar(L"probe")) +
        "\r\n"
        "[Application]\r\nOverride WorkingDir=YES\r\n");
    app.options.workDir = outDir();
    ChildResult r = app.run(L"--prop=user.dir --env=QX_JVM_PATH");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "env[QX_JVM_PATH]=" + narrow(rt) + "\\bin\\server\\jvm.dll")) << r.out;
}

TEST(Launch, PrivateRuntimeBesideTheExecutable) {
    LauncherApp app = makeApp(L"launch-private");
    const std::wstring rt = app.dir + L"\\jre64";
    for (const wchar_t* d : {L"", L"\\bin", L"\\bin\\server"}) CreateDirectoryW((rt + d).c_str(), nullptr);
    copyFile(runtimeHome(L"jdk17") + L"\\bin\\server\\jvm.dll", rt + L"\\bin\\server\\jvm.dll");
    writeFile(rt + L"\\bin\\java.dll", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" + narrow(app.dir) +
                 "\\nothing-here\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) + "\r\n");
    ChildResult r = app.run(L"--env=QX_JVM_PATH");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(r.out, "env[QX_JVM_PATH]=" + narrow(rt) + "\\bin\\server\\jvm.dll")) << r.out;

    // "jre" is not a private runtime folder: only "jre64" is.
    MoveFileW(rt.c_str(), (app.dir + L"\\jre").c_str());
    app.options.desktop = L"qxtest-no-desktop\\Default";  // no missing-runtime dialog to wait for
    EXPECT_EQ(app.run().exitCode, kFailed);
}

}  // namespace
