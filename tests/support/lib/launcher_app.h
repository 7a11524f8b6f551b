// A packaged application for end-to-end tests: a copy of the launcher under a name of its own in a
// scratch folder, its settings file beside it, started as a child process.
#pragma once

#include <string>
#include <vector>

#include "support/lib/test_env.h"

namespace qxtest {

struct LauncherApp {
    std::wstring dir;      // scratch folder of the test
    std::wstring exe;      // <dir>\<name>.exe
    std::wstring ini;      // <dir>\<name>.ini
    std::wstring appData;  // APPDATA the app sees: <dir>\appdata
    std::wstring trace;    // where the bridge records the raw VM arguments: <dir>\jvm-trace.txt
    ChildOptions options;  // environment and limits of every start

    // Starts the app with `args` appended to its quoted path, exactly as written.
    ChildResult run(const std::wstring& args = L"") const;
    // Writes the settings file (the text is taken as UTF-8 and stored in the ANSI code page when it is
    // ASCII; use writeIniUtf16 for other text).
    void writeIni(const std::string& text) const;
    void writeIniUtf16(const std::wstring& text) const;
    // The raw VM arguments the bridge recorded at the last start, one entry per line.
    std::vector<std::string> traceLines() const;
};

// A fresh scratch folder `testName` holding a copy of `launcher` as <name>.exe.
LauncherApp makeApp(const std::wstring& testName, const std::wstring& name = L"app",
                    const std::wstring& launcher = launcherExe());

// The usual settings of a probe application on the bridge runtime `runtime`, plus `extra` lines.
std::string probeIni(const std::string& extraJre = "", const std::string& extraApp = "",
                     const std::wstring& runtime = L"jdk17");

// Output lines without their line ends.
std::vector<std::string> lines(const std::string& text);
// True when `text` has a line equal to `line`.
bool hasLine(const std::string& text, const std::string& line);

}  // namespace qxtest
