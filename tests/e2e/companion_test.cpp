// The 32-bit companion launcher, started for real: through the hand-over of a 64-bit launcher that
// found only a 32-bit runtime, and on its own as qxpack packaged it. Each start runs the 32-bit Wine
// loader, which an emulator may be running (CTest starts this program first so the rest of the suite
// overlaps it), so two starts cover it; the other behaviour of the same sources is the 64-bit tests'
// concern.
#include <gtest/gtest.h>

#include "support/lib/java_registry.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
// A 32-bit start costs about 45 s of processor time under emulation; on a busy machine that takes many
// times as long. The bound only keeps a hung start from holding the suite for ever.
constexpr DWORD kCompanionStartMs = 30 * 60 * 1000;

const std::string kCreateFailed =
    "Error: JNI exception: failed to create the Java VM\nReason: not enough memory.\n \n";

// The 64-bit launcher finds its runtime only in the 32-bit registry view and hands the start over with
// its command line as it was; the companion finds the same runtime in its own (32-bit) view, loads it,
// and its exit code comes back. Both carry the same settings, as a packager would ship them: the
// companion's own "Pair Product" starts nothing. First of the two: it holds the prefix's registry lock for
// a whole 32-bit start, and the suite's other tests that take that lock come later in CTest's order.
TEST(Companion, TakesOverTheStartOfAThirtyTwoBitRuntime) {
    JavaRegistry registry;
    LauncherApp app = makeApp(L"companion-relaunch");
    ASSERT_TRUE(copyFile(companionExe(), app.dir + L"\\app32.exe"));
    const std::string settings =
        "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\n[Class Path]\r\nClass Path=" +
        narrow(testJar(L"probe")) + "\r\n[Application]\r\nPair Product=app32.exe\r\nPair Return Code=Yes\r\n";
    app.writeIni(settings);
    ASSERT_TRUE(writeFile(app.dir + L"\\app32.ini", settings));
    ASSERT_TRUE(registry.add(L"Software\\JavaSoft\\JRE\\", L"1.8.0_301", runtimeHome(L"createfails-x86"),
                             View::Bits32));
    const std::wstring record = app.dir + L"\\command-line.txt";
    app.options.env[L"QXTEST_COMMAND_LINE_RECORD"] = record;
    app.options.env[L"QXTEST_CREATE_RESULT"] = L"-4";
    app.options.timeoutMs = kCompanionStartMs;
    const std::wstring args = L"one  \"two three\"\t\"\"";

    const ChildResult r = app.run(args);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, kCreateFailed) << "the companion's line, and nothing of the 64-bit launcher";
    EXPECT_EQ(r.exitCode, kFailed);
    std::string seen;
    ASSERT_TRUE(readFile(record, seen)) << "the 32-bit runtime was never called";
    EXPECT_EQ(seen, narrow(quote(app.exe) + L" " + args));
}

// qxpack takes the companion as its base when told to; the packaged 32-bit launcher reads its embedded
// settings and hosts the 32-bit runtime of "JRE Path" itself, though its settings name a pair product.
TEST(Companion, PackagedByQxpackStartsOnAThirtyTwoBitRuntime) {
    const std::wstring dir = scratchDir(L"companion-packaged");
    ASSERT_TRUE(
        writeFile(dir + L"\\embedded.ini",
                  "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\n[Class Path]\r\nClass Path=" +
                      narrow(testJar(L"probe")) + "\r\n"));
    ASSERT_TRUE(writeFile(dir + L"\\settings.ini", "[Java Runtime Environment]\r\nJRE Path=" +
                                                       narrow(runtimeHome(L"createfails-x86")) +
                                                       "\r\n[Application]\r\nPair Product=missing.exe\r\n"));
    const std::wstring packed = dir + L"\\packed32.exe";
    const std::wstring build = quote(outDir() + L"\\bin\\qxpack.exe") + L" build --launcher " +
                               quote(companionExe()) + L" --output " + quote(packed) + L" --ini " +
                               quote(dir + L"\\settings.ini") + L" --embed " +
                               quote(dir + L"\\embedded.ini") +
                               L" --upgrade-code {4C1A7D52-0E6B-4F3A-9D2E-5B7C00DE0022} --pass-phrase fixed";
    const ChildResult refused = runChild(build);
    EXPECT_EQ(refused.exitCode, 1u) << "a 32-bit base needs --allow-i386";
    const ChildResult packaged = runChild(build + L" --allow-i386");
    ASSERT_EQ(packaged.exitCode, 0u) << packaged.out << packaged.err;

    ChildOptions options;
    options.env[L"APPDATA"] = dir;
    options.env[L"JAVA_HOME"] = L"";
    options.env[L"QXTEST_CREATE_RESULT"] = L"-4";
    options.timeoutMs = kCompanionStartMs;
    const ChildResult r = runChild(quote(packed), options);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, kCreateFailed);
    EXPECT_EQ(r.exitCode, kFailed);
}

}  // namespace
