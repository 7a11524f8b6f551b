#include "support/lib/launcher_app.h"

#include <sstream>

namespace qxtest {

ChildResult LauncherApp::run(const std::wstring& args) const {
    std::wstring command = quote(exe);
    if (!args.empty()) command += L" " + args;
    return runChild(command, options);
}

void LauncherApp::writeIni(const std::string& text) const { writeFile(ini, text); }

void LauncherApp::writeIniUtf16(const std::wstring& text) const {
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    writeFile(ini, bytes);
}

std::vector<std::string> LauncherApp::traceLines() const {
    std::string text;
    readFile(trace, text);
    return lines(text);
}

LauncherApp makeApp(const std::wstring& testName, const std::wstring& name, const std::wstring& launcher) {
    LauncherApp app;
    app.dir = scratchDir(testName);
    app.exe = app.dir + L"\\" + name + L".exe";
    app.ini = app.dir + L"\\" + name + L".ini";
    app.appData = app.dir + L"\\appdata";
    app.trace = app.dir + L"\\jvm-trace.txt";
    CreateDirectoryW(app.appData.c_str(), nullptr);
    copyFile(launcher, app.exe);
    // Nothing of the machine's own runtimes or of other tests may leak in.
    app.options.env[L"APPDATA"] = app.appData;
    app.options.env[L"JAVA_HOME"] = L"";
    app.options.env[L"QXTEST_JVM_TRACE"] = app.trace;
    app.options.timeoutMs = 60000;
    return app;
}

std::string probeIni(const std::string& extraJre, const std::string& extraApp, const std::wstring& runtime) {
    std::string ini =
        "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" + narrow(runtimeHome(runtime)) +
        "\r\n" + extraJre + "[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) +
        "\r\n[Application]\r\n" + extraApp;
    return ini;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

bool hasLine(const std::string& text, const std::string& line) {
    for (const std::string& l : lines(text)) {
        if (l == line) return true;
    }
    return false;
}

}  // namespace qxtest
