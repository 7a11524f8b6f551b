// A packaged application finds its runtime on the machine (registry, private runtime, JAVA_HOME) and
// starts on it, or hands the whole start to its 32-bit companion launcher.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/scoped.h"
#include "support/lib/java_registry.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;

// Started with QXTEST_PAIR_RECORD set, this program is the companion launcher: it records its command
// line there and ends with QXTEST_PAIR_EXIT, before any test runs.
const bool kActsAsPair = [] {
    std::wstring record(32768, L'\0');
    const DWORD n = GetEnvironmentVariableW(L"QXTEST_PAIR_RECORD", record.data(), 32768);
    if (n == 0 || n >= 32768) return false;
    record.resize(n);
    wchar_t code[32] = L"0";
    GetEnvironmentVariableW(L"QXTEST_PAIR_EXIT", code, 32);
    writeFile(record + L".tmp", narrow(GetCommandLineW()));
    MoveFileExW((record + L".tmp").c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
    ExitProcess(static_cast<UINT>(_wtoi(code)));
}();

// The probe app's settings without a runtime folder, so the search goes past "JRE Path".
std::string searchIni(const std::string& extraJre = "", const std::string& extraApp = "") {
    return "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\n" + extraJre +
           "[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) + "\r\n[Application]\r\n" + extraApp;
}

// The library the application ran on, as the launcher told it through QX_JVM_PATH.
std::string libraryUsed(const ChildResult& r) {
    for (const std::string& line : lines(r.out)) {
        if (line.rfind("env[QX_JVM_PATH]=", 0) == 0) return line.substr(17);
    }
    return "<not started>\n" + r.out + r.err;
}

std::string serverLibrary(const std::wstring& home) { return narrow(home) + "\\bin\\server\\jvm.dll"; }

// A copy of the bridge runtime, so each folder is told apart by its path.
std::wstring bridgeCopy(const std::wstring& home) {
    EXPECT_TRUE(copyRuntime(runtimeHome(L"jdk17"), home)) << narrow(home);
    return home;
}

bool waitForFile(const std::wstring& path, std::string& bytes) {
    for (int i = 0; i < 300; ++i) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return readFile(path, bytes);
        Sleep(100);
    }
    return false;
}

class RuntimeChoice : public ::testing::Test {
protected:
    JavaRegistry registry_;
};

TEST_F(RuntimeChoice, RegisteredRuntimeIsChosenAndStarts) {
    LauncherApp app = makeApp(L"choice-registry");
    const std::wstring jdk17 = bridgeCopy(app.dir + L"\\jdk-17.0.2"),
                       jre11 = bridgeCopy(app.dir + L"\\jre-11");
    ASSERT_TRUE(registry_.add(L"Software\\JavaSoft\\JDK\\", L"17.0.2", jdk17));
    ASSERT_TRUE(registry_.add(L"Software\\JavaSoft\\JRE\\", L"11.0.2", jre11));
    const struct {
        std::string jre;
        std::wstring home;
    } cases[] = {
        {"", jdk17},
        {"Preferred versions=9;11\r\n", jre11},
        {"Maximum Version=11\r\n", jre11},
        {"Minimum Version=11.0.3\r\nMaximum Version=any\r\n", jdk17},
        {"JVM Source=favor_JRE\r\n", jre11},
    };
    for (const auto& c : cases) {
        app.writeIni(searchIni(c.jre));
        const ChildResult r = app.run(L"--env=QX_JVM_PATH");
        EXPECT_EQ(libraryUsed(r), serverLibrary(c.home)) << c.jre;
        EXPECT_TRUE(hasLine(r.out, "main done")) << c.jre;
        EXPECT_EQ(r.exitCode, 0u) << c.jre << r.out;
    }
}

TEST_F(RuntimeChoice, PrivateRuntimeIsTheExecutablesFolderOrJre64) {
    LauncherApp app = makeApp(L"choice-private");
    app.writeIni(searchIni());
    const std::wstring javaHome = bridgeCopy(app.dir + L"\\java-home");
    app.options.env[L"JAVA_HOME"] = javaHome;

    // "jre" beside the executable is not a private runtime: JAVA_HOME is used.
    bridgeCopy(app.dir + L"\\jre");
    ChildResult r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(r), serverLibrary(javaHome));

    const std::wstring jre64 = bridgeCopy(app.dir + L"\\jre64");
    r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(r), serverLibrary(jre64));
    EXPECT_EQ(r.exitCode, 0u);

    // An executable inside a runtime's own folder uses that runtime, before its "jre64".
    copyRuntime(runtimeHome(L"jdk17"), app.dir);
    r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(r), serverLibrary(app.dir));
    EXPECT_EQ(r.exitCode, 0u);
}

TEST_F(RuntimeChoice, JavaHomeComesAfterTheRegistry) {
    LauncherApp app = makeApp(L"choice-java-home");
    app.writeIni(searchIni());
    const std::wstring javaHome = bridgeCopy(app.dir + L"\\java-home");
    const std::wstring registered = bridgeCopy(app.dir + L"\\registered");
    app.options.env[L"JAVA_HOME"] = javaHome + L"\\";
    ChildResult r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(r), serverLibrary(javaHome)) << "a trailing backslash is not doubled";

    ASSERT_TRUE(registry_.add(L"Software\\JavaSoft\\JRE\\", L"1.8", registered));
    r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(r), serverLibrary(registered));
    EXPECT_EQ(r.exitCode, 0u);
}

// The companion gets the command line exactly as the launcher got it, and its exit code when asked for.
TEST_F(RuntimeChoice, ThirtyTwoBitRuntimeHandsTheStartToThePairProduct) {
    LauncherApp app = makeApp(L"choice-pair");
    const std::wstring record = app.dir + L"\\pair-record.txt";
    app.options.env[L"QXTEST_PAIR_RECORD"] = record;
    const std::string x86 = narrow(runtimeHome(L"x86"));
    const std::string pair = "Pair Product=" + narrow(qxtest::ownExecutable()) + "\r\n";
    const std::wstring args = L" one  \"two three\"\t\"\" \"unclosed";
    const std::string expectedLine = narrow(quote(app.exe) + L" " + args);

    struct Case {
        const char* what;
        std::string jre, application, exitCode;
        DWORD result;
    };
    const Case cases[] = {
        {"configured, waits", "JRE Path=" + x86 + "\r\n", pair + "Pair Return Code=yes\r\n", "7", 7},
        {"configured, negative code", "JRE Path=" + x86 + "\r\n", pair + "Pair Return Code=YES\r\n", "-5",
         0xFFFFFFFBu},
        {"configured, no wait", "JRE Path=" + x86 + "\r\n", pair + "Pair Return Code=no\r\n", "7", 0},
        {"JAVA_HOME", "", pair + "Pair Return Code=Yes\r\n", "9", 9},
    };
    for (const Case& c : cases) {
        DeleteFileW(record.c_str());
        app.writeIni(searchIni(c.jre, c.application));
        app.options.env[L"QXTEST_PAIR_EXIT"] = widen(c.exitCode);
        app.options.env[L"JAVA_HOME"] = c.jre.empty() ? runtimeHome(L"x86") : L"";
        const ChildResult r = app.run(args);
        EXPECT_EQ(r.exitCode, c.result) << c.what << r.out;
        EXPECT_EQ(r.out, "") << c.what;
        std::string seen;
        ASSERT_TRUE(waitForFile(record, seen)) << c.what;
        EXPECT_EQ(seen, expectedLine) << c.what;
    }

    // Found only in the 32-bit registry view: the second pass runs because a pair product is set.
    app.options.env[L"JAVA_HOME"] = L"";
    ASSERT_TRUE(registry_.add(L"Software\\JavaSoft\\JRE\\", L"1.8.0_301", runtimeHome(L"x86"), View::Bits32));
    DeleteFileW(record.c_str());
    app.writeIni(searchIni("", pair + "Pair Return Code=Yes\r\n"));
    app.options.env[L"QXTEST_PAIR_EXIT"] = L"3";
    const ChildResult r = app.run(L"x");
    EXPECT_EQ(r.exitCode, 3u) << r.out;
    std::string seen;
    ASSERT_TRUE(waitForFile(record, seen));
    EXPECT_EQ(seen, narrow(quote(app.exe) + L" x"));
}

TEST_F(RuntimeChoice, PairProductThatCannotStartFailsTheLaunch) {
    LauncherApp app = makeApp(L"choice-pair-fails");
    const std::wstring notProgram = app.dir + L"\\pair-text.exe";
    writeFile(notProgram, "this is no program\r\n");
    const std::string x86 = "JRE Path=" + narrow(runtimeHome(L"x86")) + "\r\n";
    const struct {
        std::wstring pair;
        std::string wait;
        const char* errno_;
        std::wstring started;  // the path the launcher tried; empty = the value as written
    } cases[] = {
        {app.dir + L"\\missing.exe", "Pair Return Code=Yes\r\n", "2"},
        {app.dir + L"\\missing.exe", "", "2"},
        {notProgram, "Pair Return Code=Yes\r\n", "193"},
        {notProgram, "", "193"},
        // Relative: below the launcher's folder, whatever the working folder is.
        {L"pair-text.exe", "", "193", notProgram},
    };
    for (const auto& c : cases) {
        app.writeIni(searchIni(x86, "Pair Product=" + narrow(c.pair) + "\r\n" + c.wait));
        const ChildResult r = app.run(L"a");
        const std::wstring started = c.started.empty() ? c.pair : c.started;
        EXPECT_EQ(r.out, "Error: Failed to start the companion launcher: " + narrow(started) +
                             " (errno = " + c.errno_ + ").\n \n")
            << c.wait;
        EXPECT_EQ(r.exitCode, kFailed) << c.wait;
    }

    // Without a pair product the 32-bit library is loaded in-process, which cannot work.
    app.writeIni(searchIni(x86));
    const ChildResult r = app.run();
    EXPECT_EQ(r.out, "Error: Failed to load Java VM library: " + narrow(runtimeHome(L"x86")) +
                         "\\bin\\client\\jvm.dll (errno = 193).\n \n");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_F(RuntimeChoice, PrivateRuntimeIsNeverHandedToThePairProduct) {
    LauncherApp app = makeApp(L"choice-private-x86");
    const std::wstring jre64 = app.dir + L"\\jre64";
    ASSERT_TRUE(copyRuntime(runtimeHome(L"x86"), jre64));
    const std::wstring record = app.dir + L"\\pair-record.txt";
    app.options.env[L"QXTEST_PAIR_RECORD"] = record;
    app.writeIni(
        searchIni("", "Pair Product=" + narrow(qxtest::ownExecutable()) + "\r\nPair Return Code=Yes\r\n"));
    const ChildResult r = app.run();
    EXPECT_EQ(r.out, "Error: Failed to load Java VM library: " + narrow(jre64) +
                         "\\bin\\client\\jvm.dll (errno = 193).\n \n");
    EXPECT_EQ(r.exitCode, kFailed);
    EXPECT_EQ(GetFileAttributesW(record.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A per-user install: the launcher reads HKEY_CURRENT_USER itself, so the key goes there (the registry
// lock held by the fixture clears it again).
bool setUserPath(const std::wstring& key, const std::wstring& value, const std::wstring& home) {
    qx::UniqueKey k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(k.get(), value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                          static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// One start per family: a HotSpot build under the default provider, an OpenJ9 build under "ibm" (whose
// run ends through the VM's own exit), and neither once "Vendor Keys" is "No".
TEST_F(RuntimeChoice, VendorKeyRuntimesStartByFamily) {
    LauncherApp app = makeApp(L"choice-vendor");
    const std::wstring temurin = bridgeCopy(app.dir + L"\\temurin"),
                       semeru = bridgeCopy(app.dir + L"\\semeru");
    ASSERT_TRUE(
        registry_.setString(L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.8.7\\hotspot\\MSI", L"Path", temurin));
    ASSERT_TRUE(setUserPath(L"SOFTWARE\\Semeru\\JDK\\21.0.1.12\\openj9\\MSI", L"Path", semeru));

    app.writeIni(searchIni());
    ChildResult r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(r), serverLibrary(temurin));
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;

    app.writeIni(searchIni("VM Provider=ibm\r\n"));
    r = app.run(L"--env=QX_JVM_PATH --exit=7");
    EXPECT_EQ(libraryUsed(r), serverLibrary(semeru));
    EXPECT_EQ(r.exitCode, 7u) << r.out << r.err;
    EXPECT_FALSE(r.timedOut);

    app.writeIni(searchIni("VM Provider=any\r\nVendor Keys=no\r\n"));
    app.options.desktop = L"qxtest-no-desktop\\Default";  // no dialog: the start ends at once
    r = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(r.exitCode, kFailed) << r.out;
}

// True when some line of `text` contains every one of `parts`.
bool hasLineWith(const std::string& text, std::initializer_list<std::string> parts) {
    for (const std::string& line : lines(text)) {
        bool all = true;
        for (const std::string& part : parts) all = all && line.find(part) != std::string::npos;
        if (all) return true;
    }
    return false;
}

// The trace tells why each registered runtime was passed over, and the error the user sees stays the same.
TEST_F(RuntimeChoice, TraceSaysWhyRegisteredRuntimesWerePassedOver) {
    LauncherApp app = makeApp(L"choice-trace");
    const std::wstring old = bridgeCopy(app.dir + L"\\old"), empty = app.dir + L"\\no-library";
    makeRuntime(empty, {});
    ASSERT_TRUE(registry_.add(L"Software\\JavaSoft\\JRE\\", L"1.8.0_301", old));
    ASSERT_TRUE(
        registry_.setString(L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.8.7\\hotspot\\MSI", L"Path", empty));
    ASSERT_TRUE(registry_.setString(L"SOFTWARE\\Microsoft\\JDK\\25.0.1.8\\hotspot\\MSI", L"Path", old));
    ASSERT_TRUE(setUserPath(L"SOFTWARE\\Semeru\\JRE\\17.0.8.1\\openj9\\MSI", L"Path", old));
    app.writeIni(searchIni("Minimum Version=11\r\nMaximum Version=21\r\n"));
    app.options.desktop = L"qxtest-no-desktop\\Default";
    const ChildResult untraced = app.run();

    const std::wstring log = app.dir + L"\\trace.txt";
    app.options.env[L"QXLAUNCH_TRACE"] = log;
    const ChildResult failed = app.run();
    EXPECT_EQ(failed.out, untraced.out) << "the error line says nothing new";
    EXPECT_EQ(failed.exitCode, kFailed);
    std::string text;
    ASSERT_TRUE(readFile(log, text));
    const std::string rows[][2] = {
        {"HKLM\\Software\\JavaSoft\\JRE\\1.8.0_301 version 1.8.0.301: ", "below minimum 11.0"},
        {"HKLM\\SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.8.7\\hotspot\\MSI version 17.0.8.7: ",
         "no jvm.dll under " + narrow(empty) + "\\"},
        {"HKLM\\SOFTWARE\\Microsoft\\JDK\\25.0.1.8\\hotspot\\MSI version 25.0.1.8: ", "above maximum 21"},
        {"HKCU\\SOFTWARE\\Semeru\\JRE\\17.0.8.1\\openj9\\MSI version 17.0.8.1: ", "provider not wanted"},
        {"setting [Java Runtime Environment] Minimum Version: ", "settings file = 11"},
        {"source registry: ", "no registered runtime fits"},
        {"source JAVA_HOME: ", "not set"},
        {"exit code ", "-1"},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(hasLineWith(text, {row[0] + row[1]})) << row[0] << row[1] << "\n" << text;
    }
    for (const std::string& line : lines(text)) EXPECT_EQ(line.rfind("[", 0), 0u) << line;

    // A second run appends; "stderr" writes the same lines to standard error.
    const std::wstring zulu = bridgeCopy(app.dir + L"\\zulu");
    ASSERT_TRUE(registry_.setString(L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath", zulu));
    app.options.env[L"QXLAUNCH_TRACE"] = L"stderr";
    const ChildResult found = app.run(L"--env=QX_JVM_PATH");
    EXPECT_EQ(libraryUsed(found), serverLibrary(zulu));
    for (const std::string& part : std::vector<std::string>{
             "registry 64-bit view: chosen " + narrow(zulu) + "\\ (first in order)",
             "jvm.dll loaded: " + serverLibrary(zulu) + " (x64)", "VM options (",
             "  -Djava.class.path=", std::string("run mode: normal"), std::string("exit code 0")}) {
        EXPECT_TRUE(hasLineWith(found.err, {part})) << part << "\n" << found.err;
    }
    app.options.env[L"QXLAUNCH_TRACE"] = L"0";
    EXPECT_EQ(app.run().err, "");
}

}  // namespace
