// The option pass over real settings: a settings file and embedded text, class-path searches in a
// scratch folder, redirection targets and "Cmd" arguments.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/environment.h"
#include "base/scoped.h"
#include "config/layered_store.h"
#include "diag/message_catalogue.h"
#include "config/launcher_settings.h"
#include "config/vm_option_settings.h"
#include "support/lib/stdout_capture.h"
#include "support/lib/test_env.h"
#include "vm/class_path.h"
#include "vm/vm_options.h"
#include "vm/vm_settings.h"

namespace qx {
namespace {

using qxtest::narrow;
using Strings = std::vector<std::wstring>;

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;

Strings splitEntries(const std::wstring& classPath) {
    Strings entries;
    if (classPath.empty()) return entries;
    size_t begin = 0;
    for (size_t end; (end = classPath.find(L';', begin)) != std::wstring::npos; begin = end + 1) {
        entries.push_back(classPath.substr(begin, end - begin));
    }
    entries.push_back(classPath.substr(begin));
    for (const std::wstring& entry : entries) {
        EXPECT_FALSE(entry.empty()) << "empty class path entry in: " << narrow(classPath);
    }
    return entries;
}

Strings sorted(Strings s) {
    std::sort(s.begin(), s.end());
    return s;
}

void touch(const std::wstring& path) { ASSERT_TRUE(qxtest::writeFile(path, "PK")) << narrow(path); }

using ScopedEnv = qxtest::ScopedEnvironmentVariable;

class ClassPathTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = qxtest::scratchDir(L"vm_class_path");
        exe_ = dir_ + L"\\app.exe";
        ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\lib").c_str(), nullptr));
        touch(dir_ + L"\\lib\\a.jar");
        touch(dir_ + L"\\lib\\b.jar");
        touch(dir_ + L"\\lib\\notes.txt");
        touch(dir_ + L"\\top.jar");
    }
    std::wstring dir_, exe_;
};

TEST_F(ClassPathTest, WildcardMatchesComeFirstWhenTheirPieceDoes) {
    const Strings entries = splitEntries(buildClassPath(L"lib\\*.jar;C:\\ext\\x.jar", exe_));
    ASSERT_EQ(entries.size(), 3u);
    // Within one search the order is the file system's.
    EXPECT_EQ(sorted({entries[0], entries[1]}), (Strings{dir_ + L"\\lib\\a.jar", dir_ + L"\\lib\\b.jar"}));
    EXPECT_EQ(entries[2], L"C:\\ext\\x.jar");
}

TEST_F(ClassPathTest, PiecesResolveByKindInTheSettingsOrder) {
    ScopedEnv lib(L"QXTEST_LIB", dir_ + L"\\lib");
    const std::wstring d = dir_;
    struct Case {
        std::wstring value;
        Strings entries;
    };
    const Case cases[] = {
        {L"C:\\ext\\x.jar;lib\\a*.jar;top.jar", {L"C:\\ext\\x.jar", d + L"\\lib\\a.jar", d + L"\\top.jar"}},
        // A relative piece for a missing file drops out; an absolute one stays as written.
        {L"gone.jar;" + d + L"\\gone.jar;top.jar", {d + L"\\gone.jar", d + L"\\top.jar"}},
        {L"nothing\\*.jar;lib\\*.war", {}},
        {d + L"\\lib\\b*", {d + L"\\lib\\b.jar"}},
        {L"%QXTEST_LIB%\\a.jar;%QXTEST_LIB%\\*.txt", {d + L"\\lib\\a.jar", d + L"\\lib\\notes.txt"}},
        // An unset variable stays as written: kept when absolute, searched (and not found) otherwise.
        {L"C:\\%QXTEST_UNSET_VAR%\\x.jar;%QXTEST_UNSET_VAR%\\a.jar", {L"C:\\%QXTEST_UNSET_VAR%\\x.jar"}},
        {L";;top.jar;", {d + L"\\top.jar"}},
        {L"\\\\srv\\share\\x.jar", {L"\\\\srv\\share\\x.jar"}},
        {L"", {}},
    };
    for (const Case& c : cases) {
        const std::wstring classPath = buildClassPath(c.value, exe_);
        EXPECT_EQ(splitEntries(classPath), c.entries)
            << "value: " << narrow(c.value) << "\nclass path: " << narrow(classPath);
    }
}

// An empty entry would put the working folder on the class path.
TEST_F(ClassPathTest, EntriesAreJoinedWithNoEmptyEntryAnywhere) {
    ScopedEnv list(L"QXTEST_LIST", L"C:\\a.jar;;C:\\b.jar;");
    const std::wstring top = dir_ + L"\\top.jar";
    const struct {
        std::wstring value, classPath;
    } cases[] = {
        {L"top.jar", top},
        {L";;top.jar;;C:\\x.jar;", top + L";C:\\x.jar"},
        {L"%QXTEST_LIST%;top.jar", L"C:\\a.jar;C:\\b.jar;" + top},
        {L"gone.jar;lib\\*.war", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(buildClassPath(c.value, exe_), c.classPath) << narrow(c.value);
}

TEST_F(ClassPathTest, FolderMatchesAreKeptLikeFiles) {
    const Strings entries = sorted(splitEntries(buildClassPath(L"lib\\*", exe_)));
    const std::wstring lib = dir_ + L"\\lib\\";
    EXPECT_EQ(entries, sorted({lib + L".", lib + L"..", lib + L"a.jar", lib + L"b.jar", lib + L"notes.txt"}));
}

TEST_F(ClassPathTest, EveryOneOfManyMatchesIsListedOnce) {
    Strings expected;
    ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\many").c_str(), nullptr));
    for (int i = 0; i < 400; ++i) {
        const std::wstring path = dir_ + L"\\many\\m" + std::to_wstring(i) + L".jar";
        touch(path);
        expected.push_back(path);
    }
    EXPECT_EQ(sorted(splitEntries(buildClassPath(L"many\\*.jar", exe_))), sorted(expected));
}

class AssembleTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = qxtest::scratchDir(L"vm_assemble");
        exe_ = dir_ + L"\\app.exe";
        ini_ = dir_ + L"\\app.ini";
        ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\lib").c_str(), nullptr));
        touch(dir_ + L"\\lib\\a.jar");
        context_.executablePath = exe_;
        context_.memory = [this] {
            ++memoryAsked_;
            return MachineMemory{8 * kGiB, 64 * kGiB};
        };
        context_.markDpiAware = [this] { ++dpiCalls_; };
        launcher_.arguments = {L"given"};
    }

    bool assemble(const std::string& fileText, const std::wstring& embeddedText = {}) {
        EXPECT_TRUE(qxtest::writeFile(ini_, fileText));
        LayeredStore settings(ini_);
        settings.parseText(embeddedText);
        return assembleVmOptions(launcher_, readVmOptionSettings(settings), context_);
    }

    std::wstring dir_, exe_, ini_;
    VmOptionContext context_;
    VmSettings launcher_;
    int memoryAsked_ = 0;
    int dpiCalls_ = 0;
};

TEST_F(AssembleTest, SettingsBecomeOptionsRedirectionAndArguments) {
    ScopedEnv home(L"QXTEST_HOME", L"C:\\home dir");
    const bool ok = assemble(
        "[Class Path]\r\nClass Path=lib\\*.jar\r\n"
        "[Java Runtime Environment]\r\n"
        "Virtual Machine Parameters=-Dtitle=\"My App\"  -Xmx50p -Xss1m -Dsun.java2d.dpiaware=true "
        "-Dsun.java2d.dpiaware=TRUE -Xss512k -Dhome=%QXTEST_HOME%\r\n"
        "[Application]\r\nOutput File=%QXTEST_HOME%\\out.log\r\nOutput Append=yes\r\n"
        "Error File=err.log\r\nError Append=Yes\r\n"
        "Cmd=one \"two %QXTEST_HOME%\" \"\" four\r\n");
    ASSERT_TRUE(ok);
    const VmOptionList expected = {
        narrow(L"-Djava.class.path=" + dir_ + L"\\lib\\a.jar"),
        "-Dtitle=My App",
        "-Xmx4194304K",
        "-Xss1m",
        "-Dsun.java2d.dpiaware=true",
        "-Dsun.java2d.dpiaware=TRUE",
        "-Xss512k",
        "-Dhome=C:\\home dir",
    };
    EXPECT_EQ(launcher_.vmOptions, expected);
    EXPECT_EQ(dpiCalls_, 1);
    EXPECT_EQ(memoryAsked_, 1);
    EXPECT_EQ(launcher_.threadStackSize, 524288u);
    EXPECT_EQ(launcher_.outputFile, L"C:\\home dir\\out.log");
    EXPECT_EQ(launcher_.outputAppend, 1);
    EXPECT_EQ(launcher_.errorFile, L"err.log");
    EXPECT_EQ(launcher_.errorAppend, 0);  // only lower-case "yes" appends
    EXPECT_EQ(launcher_.extraCommandLine, L"one \"two C:\\home dir\" \"\" four");
    EXPECT_EQ(launcher_.arguments, (Strings{L"given", L"one", L"two C:\\home dir", L"four"}));
}

TEST_F(AssembleTest, EmbeddedParametersAreExtendedByThePlusSection) {
    ASSERT_TRUE(assemble("[Java Runtime Environment+]\r\nVirtual Machine Parameters=-Dx=1\r\n",
                         L"[Class Path]\r\nClass Path=lib\\a.jar\r\n"
                         L"[Java Runtime Environment]\r\nVirtual Machine Parameters=-Xmx256m\r\n"));
    EXPECT_EQ(launcher_.vmOptions,
              (VmOptionList{narrow(L"-Djava.class.path=" + dir_ + L"\\lib\\a.jar"), "-Xmx256m", "-Dx=1"}));
}

TEST_F(AssembleTest, EmbeddedJarPutsTheExecutableFirstInAnyCase) {
    ASSERT_TRUE(assemble("[Class Path]\r\nClass Path=lib\\a.jar\r\n[Application]\r\nEmbedded Jar=YES\r\n"));
    ASSERT_FALSE(launcher_.vmOptions.empty());
    EXPECT_EQ(launcher_.vmOptions[0], narrow(L"-Djava.class.path=" + exe_ + L";" + dir_ + L"\\lib\\a.jar"));
}

TEST_F(AssembleTest, EmbeddedJarAloneIsAClassPath) {
    ASSERT_TRUE(assemble("[Application]\r\nEmbedded Jar=yes\r\n"));
    EXPECT_EQ(launcher_.vmOptions, VmOptionList{narrow(L"-Djava.class.path=" + exe_)});
}

TEST_F(AssembleTest, EmptyClassPathReportsAndSkipsEverythingElse) {
    bool ok = true;
    const std::string out = qxtest::captureStdout([&] {
        ok = assemble(
            "[Class Path]\r\nClass Path=missing\\*.jar;gone.jar\r\n"
            "[Java Runtime Environment]\r\nVirtual Machine Parameters=-Xss2m -Dsun.java2d.dpiaware=true\r\n"
            "[Application]\r\nEmbedded Jar=no\r\nOutput File=out.log\r\nOutput Append=yes\r\nCmd=extra\r\n");
    });
    EXPECT_FALSE(ok);
    // The text comes from the executable's string table, which a test program may lack.
    EXPECT_EQ(out, "Error: " + narrow(loadMessage(kMsgNoClassPath)) + " \n");
    EXPECT_TRUE(launcher_.vmOptions.empty());
    EXPECT_EQ(launcher_.threadStackSize, 0u);
    EXPECT_EQ(dpiCalls_, 0);
    EXPECT_TRUE(launcher_.outputFile.empty());
    EXPECT_EQ(launcher_.outputAppend, 0);
    EXPECT_TRUE(launcher_.extraCommandLine.empty());
    EXPECT_EQ(launcher_.arguments, Strings{L"given"});
}

TEST_F(AssembleTest, FortyThousandCharacterParameterValueIsReadWhole) {
    const std::string big = "-Dbig=" + std::string(39994, 'x');
    ASSERT_TRUE(
        assemble("[Class Path]\r\nClass Path=lib\\a.jar\r\n[Java Runtime Environment]\r\n"
                 "Virtual Machine Parameters=" +
                 big + " -Xss8k\r\n"));
    ASSERT_EQ(launcher_.vmOptions.size(), 3u);
    EXPECT_EQ(launcher_.vmOptions[1].size(), big.size());
    EXPECT_TRUE(launcher_.vmOptions[1] == big);  // not printed: 40,000 characters
    EXPECT_EQ(launcher_.threadStackSize, 8192u);
}

TEST_F(ClassPathTest, LauncherFolderBeyondTheClassicLimitIsSearched) {
    const std::wstring deep = dir_ + L"\\" + std::wstring(240, L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    ASSERT_TRUE(qxtest::writeFile(L"\\\\?\\" + deep + L"\\deep.jar", "PK"));
    EXPECT_EQ(buildClassPath(L"*.jar", deep + L"\\app.exe"), deep + L"\\deep.jar");
}

// The launcher's own pass reads the settings file beside its executable.
TEST(AssembleFromProcess, ReadsTheSettingsFileBesideTheExecutable) {
    const std::wstring exe = qxtest::scratchDir(L"vm_assemble_own") + L"\\app.exe";
    std::wstring ini = exe;
    ini.replace(ini.rfind(L'.'), std::wstring::npos, L".ini");
    ASSERT_TRUE(
        qxtest::writeFile(ini,
                          "[Class Path]\r\nClass Path=C:\\ext\\x.jar\r\n"
                          "[Application]\r\nEmbedded Jar=Yes\r\nCmd=extra\r\n"
                          "[Java Runtime Environment]\r\n"
                          "Virtual Machine Parameters=-Xmx100:0:1p -Xss2m -Dsun.java2d.dpiaware=true\r\n"));
    VmSettings launcher;
    LayeredStore settings;
    ASSERT_TRUE(openLauncherSettings(exe, L"", settings));
    VmOptionContext context;
    context.executablePath = exe;
    context.markDpiAware = [] {};
    ASSERT_TRUE(assembleVmOptions(launcher, readVmOptionSettings(settings), context));
    EXPECT_EQ(launcher.vmOptions,
              (VmOptionList{narrow(L"-Djava.class.path=" + std::wstring(exe) + L";C:\\ext\\x.jar"),
                            "-Xmx1024K", "-Xss2m", "-Dsun.java2d.dpiaware=true"}));
    EXPECT_EQ(launcher.threadStackSize, 2097152u);
    EXPECT_EQ(launcher.arguments, Strings{L"extra"});
}

TEST(AssembleFromProcess, MachineMemoryFiguresAre64Bit) {
    const MachineMemory memory = queryMachineMemory();
    EXPECT_GT(memory.totalPhysical, 0u);
    // A 64-bit process has far more than 4 GiB of free address space; a 32-bit figure could not say so.
    EXPECT_GT(memory.availableVirtual, 4 * kGiB);
}

TEST(AppendVmOption, UsesTheThreadsAnsiCodePage) {
    const LCID saved = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)));
    VmOptionList options;
    appendVmOption(options, L"-Dname=\u0436");  // Cyrillic zhe: 0xE6 in code page 1251
    appendVmOption(options, L"");
    SetThreadLocale(saved);
    EXPECT_EQ(options, (VmOptionList{"-Dname=\xE6", ""}));
}

TEST(ExpandOrKeep, ReferencesExpandAndTextBeyondThePlatformLimitStaysWhole) {
    ScopedEnv set(L"QXTEST_SET", L"value");
    EXPECT_EQ(expandOrKeep(L"a%QXTEST_SET%b %QXTEST_UNSET_VAR% %"), L"avalueb %QXTEST_UNSET_VAR% %");
    const std::wstring tail(32700, L'y');
    EXPECT_TRUE(expandOrKeep(L"%QXTEST_SET%" + tail) == L"value" + tail);
    // Past 32K units the platform may cut the result short; the text is then kept as written.
    const std::wstring longSource = L"%QXTEST_SET%" + std::wstring(40000, L'y');
    EXPECT_TRUE(expandOrKeep(longSource) == longSource);
    ScopedEnv wide(L"QXTEST_WIDE", std::wstring(200, L'w'));
    const std::wstring longResult = L"%QXTEST_WIDE%" + tail;
    EXPECT_TRUE(expandOrKeep(longResult) == longResult);
}

}  // namespace
}  // namespace qx
