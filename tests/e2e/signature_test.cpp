// A signed executable runs only the code that was signed. Each row is a file made from one packaged
// executable (the probe application's jar appended by qxpack), signed with osslsigncode and a
// throw-away certificate by tests/support/signing/sign_fixtures.py at build time. The rows that
// carry a second jar (evil.jar: a class of the probe's name that prints "EVIL attacker code ran") are
// the ways to make it ride along; a jar in the certificate's padding or in an unauthenticated
// attribute leaves osslsigncode's verify saying the signature is good, and the table checks that too.
#include <gtest/gtest.h>

#include <map>

#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
constexpr char kEvil[] = "EVIL attacker code ran";

std::wstring fixture(const std::wstring& name) { return outDir() + L"\\support\\signed\\" + name; }

// osslsigncode's verdict on each file, as the fixtures recorded it.
std::map<std::string, std::string> verifyVerdicts() {
    std::map<std::string, std::string> verdicts;
    std::string text;
    readFile(fixture(L"verify.txt"), text);
    for (const std::string& line : lines(text)) {
        const size_t space = line.find(' ');
        if (space != std::string::npos) verdicts[line.substr(0, space)] = line.substr(space + 1);
    }
    return verdicts;
}

bool vmCreated(const LauncherApp& app) {
    for (const std::string& line : app.traceLines()) {
        if (line.rfind("version=", 0) == 0) return true;
    }
    return false;
}

TEST(Signature, ASignedExecutableRunsOnlyTheCodeThatWasSigned) {
    std::string upgradeCode;
    ASSERT_TRUE(readFile(fixture(L"upgrade-code.txt"), upgradeCode)) << "run scripts/build";
    upgradeCode = lines(upgradeCode).at(0);
    const std::map<std::string, std::string> verdicts = verifyVerdicts();
    enum Expect { Runs, RunsTheSecondJar, Refused };
    const struct {
        const char* file;
        const char* what;
        Expect expect;
        const char* verify;   // what osslsigncode says of the file
        const char* finding;  // in the trace's signature line
        // The settings file's class path instead of "Embedded Jar": "link" names a hard link to the
        // executable, "probe" only the probe's own jar.
        const char* classPath = "";
    } rows[] = {
        {"signed.exe", "the signed executable", Runs, "ok", "lies before it"},
        {"comment.exe", "its jar with a zip comment", Runs, "ok", "lies before it"},
        {"nested.exe", "signed twice, the second signature nested", Runs, "ok", "lies before it"},
        {"timestamped.exe", "its signature time-stamped", Runs, "ok", "lies before it"},
        {"padding.exe", "a jar hidden in the certificate's padding", Refused, "ok", "rounded up to 8"},
        {"attribute.exe", "a jar hidden in an unauthenticated attribute of the signer", Refused, "ok",
         "would be taken by Java's zip reader"},
        {"appended.exe", "a jar appended after the certificate table", Refused, "failed",
         "does not end the file"},
        {"short-directory.exe", "a table that does not end the file", Refused, "failed",
         "does not end the file"},
        {"unsigned-second-jar.exe", "unsigned, a second jar appended", RunsTheSecondJar, "failed", nullptr},
        {"appended.exe", "the same, the executable named in the class path under another name", Refused,
         "failed", "does not end the file", "link"},
        {"appended.exe", "the same, the executable not on the class path", Runs, "failed",
         "not on the class path; not checked", "probe"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(verdicts.count(row.file) ? verdicts.at(row.file) : "", row.verify);
        LauncherApp app = makeApp(L"signature-table", L"app", fixture(widen(row.file)));
        std::string classPath;
        if (row.classPath == std::string("link")) {
            ASSERT_TRUE(CreateHardLinkW((app.dir + L"\\other.jar").c_str(), app.exe.c_str(), nullptr));
            classPath = "other.jar";
        } else if (row.classPath == std::string("probe")) {
            classPath = narrow(testJar(L"probe"));
        }
        app.writeIni(
            "[Product Information]\r\nUpgrade Code=" + upgradeCode +
            "\r\n[Java Runtime Environment]\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) +
            (classPath.empty()
                 ? ""
                 : "\r\n[Application]\r\nEmbedded Jar=No\r\n[Class Path]\r\nClass Path=" + classPath) +
            "\r\n");
        app.options.env[L"QXLAUNCH_TRACE"] = L"stderr";
        const ChildResult r = app.run();
        const std::string refusal = "Error: " + narrow(app.exe) +
                                    " was changed after it was signed: it runs no code that its "
                                    "signature does not cover. ";
        switch (row.expect) {
            case Runs:
                EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
                EXPECT_TRUE(hasLine(r.out, "main done")) << r.out;
                break;
            case RunsTheSecondJar:
                EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
                EXPECT_TRUE(hasLine(r.out, kEvil)) << r.out;
                EXPECT_EQ(r.err.find("signature:"), std::string::npos) << r.err;
                break;
            case Refused:
                EXPECT_EQ(r.exitCode, kFailed) << r.out << r.err;
                EXPECT_EQ(lines(r.out), std::vector<std::string>{refusal}) << r.out;
                EXPECT_FALSE(vmCreated(app));
                break;
        }
        EXPECT_EQ(r.out.find(kEvil) != std::string::npos, row.expect == RunsTheSecondJar) << r.out;
        EXPECT_TRUE(!row.finding || r.err.find(row.finding) != std::string::npos) << r.err;
    }
}

}  // namespace
