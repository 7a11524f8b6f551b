// The application's standard output and error land in the files its settings name.
#include <gtest/gtest.h>

#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

std::string noisyIni(const std::string& app) {
    return "[Java Runtime Environment]\r\nMain Class=qx.test.Noisy\r\nJRE Path=" +
           narrow(runtimeHome(L"jdk17")) + "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"noisy")) +
           "\r\n[Application]\r\n" + app;
}

std::string contents(const std::wstring& path) {
    std::string text;
    if (!readFile(path, text)) return "<no file>";
    std::string clean;
    for (char c : text) {
        if (c != '\r') clean.push_back(c);
    }
    return clean;
}

// Files in `dir` whose names start with `prefix`.
std::vector<std::wstring> filesLike(const std::wstring& dir, const std::wstring& prefix) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\" + prefix + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

TEST(Redirect, BothStreamsGoToTheirFilesFromTheFirstLine) {
    LauncherApp app = makeApp(L"redirect-both");
    const std::wstring out = app.dir + L"\\logs\\deep\\out.txt";
    const std::wstring err = app.dir + L"\\logs\\err.txt";
    app.writeIni(noisyIni("Output File=" + narrow(out) + "\r\nError File=" + narrow(err) + "\r\n"));
    ChildResult r = app.run(L"out:hello err:oops");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    // Missing parent folders were made; the class's static initialiser already wrote to the files.
    EXPECT_EQ(contents(out), "static out\nhello\n");
    EXPECT_EQ(contents(err), "static err\noops\n");
    EXPECT_EQ(r.out, "");
}

TEST(Redirect, FilesAreTruncatedUnlessAppendIsExactlyLowerCaseYes) {
    LauncherApp app = makeApp(L"redirect-append");
    const std::wstring out = app.dir + L"\\out.txt";
    const std::wstring err = app.dir + L"\\err.txt";
    app.writeIni(noisyIni("Output File=" + narrow(out) +
                          "\r\nOutput Append=Yes\r\nError File=" + narrow(err) + "\r\nError Append=yes\r\n"));
    ASSERT_EQ(app.run(L"out:one err:one").exitCode, 0u);
    ASSERT_EQ(app.run(L"out:two err:two").exitCode, 0u);
    EXPECT_EQ(contents(out), "static out\ntwo\n");
    EXPECT_EQ(contents(err), "static err\none\nstatic err\ntwo\n");
}

TEST(Redirect, OnlyTheErrorStreamWhenOnlyItIsNamed) {
    LauncherApp app = makeApp(L"redirect-err-only");
    const std::wstring err = app.dir + L"\\err.txt";
    app.writeIni(noisyIni("Error File=" + narrow(err) + "\r\n"));
    ChildResult r = app.run(L"out:visible err:hidden");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(contents(err), "static err\nhidden\n");
    EXPECT_TRUE(hasLine(r.out, "visible")) << r.out;
}

TEST(Redirect, DatedNamesCarryOneInstant) {
    LauncherApp app = makeApp(L"redirect-dated");
    app.writeIni(noisyIni("Output File=" + narrow(app.dir) + "\\out-%yyyyMMdd-HHmmss.L%.log\r\nError File=" +
                          narrow(app.dir) + "\\err-%yyyyMMdd-HHmmss.L%.log\r\n"));
    SYSTEMTIME before;
    GetLocalTime(&before);
    ASSERT_EQ(app.run(L"out:x err:y").exitCode, 0u);
    const auto outs = filesLike(app.dir, L"out-");
    const auto errs = filesLike(app.dir, L"err-");
    ASSERT_EQ(outs.size(), 1u);
    ASSERT_EQ(errs.size(), 1u);
    EXPECT_EQ(outs[0].substr(4), errs[0].substr(4));
    wchar_t day[16];
    swprintf(day, 16, L"out-%04u%02u%02u-", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(outs[0].rfind(day, 0), 0u) << narrow(outs[0]);
    EXPECT_EQ(contents(app.dir + L"\\" + outs[0]), "static out\nx\n");
}

TEST(Redirect, SameFileForBothStreams) {
    LauncherApp app = makeApp(L"redirect-same");
    const std::wstring file = app.dir + L"\\all.txt";
    app.writeIni(noisyIni("Output File=" + narrow(file) + "\r\nError File=" + narrow(file) +
                          "\r\nError Append=yes\r\n"));
    ASSERT_EQ(app.run(L"out:o err:e").exitCode, 0u);
    // Two independent streams on one file: each line is there, in whatever interleaving.
    const std::string text = contents(file);
    for (const char* line : {"o\n", "e\n"}) EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST(Redirect, UnopenableFileLeavesTheStreamAndTheAppRuns) {
    LauncherApp app = makeApp(L"redirect-unopenable");
    CreateDirectoryW((app.dir + L"\\adir").c_str(), nullptr);
    for (const std::string& target : {narrow(app.dir) + "\\adir", std::string("Q:\\no\\such\\drive.txt"),
                                      narrow(app.dir) + "\\" + std::string(32000, 'n')}) {
        app.writeIni(noisyIni("Output File=" + target + "\r\n"));
        ChildResult r = app.run(L"out:still-here");
        EXPECT_EQ(r.exitCode, 0u) << target.substr(0, 80) << r.err;
        EXPECT_TRUE(hasLine(r.out, "still-here")) << target.substr(0, 80) << r.out;
        EXPECT_NE(r.err.find("Exception"), std::string::npos) << target.substr(0, 80) << r.err;
        EXPECT_FALSE(r.timedOut);
    }
}

TEST(Redirect, UncaughtExceptionWithFailureCheckIsDescribedAndFails) {
    LauncherApp app = makeApp(L"redirect-failure-check");
    app.writeIni(noisyIni("Failure Check=yes\r\n"));
    ChildResult r = app.run(L"throw:broken");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("java.lang.IllegalStateException: broken"), std::string::npos) << r.err;
    EXPECT_FALSE(r.timedOut);
}

}  // namespace
