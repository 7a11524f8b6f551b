// What test programs need from the rig: the build's folders, child processes with captured output,
// scratch folders and small file helpers. Windows paths throughout (the build lies on Wine's Z: drive).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace qxtest {

// build/ of this checkout, e.g. Z:\work\main\build (no trailing backslash).
std::wstring outDir();
// The checkout's root.
std::wstring sourceDir();
// build\runtimes\<name>, the home of a test runtime.
std::wstring runtimeHome(const std::wstring& name);
// build\bin\qxlaunch.exe.
std::wstring launcherExe();
// build\bin\qxlaunchw.exe, the windowed launcher.
std::wstring windowedLauncherExe();
// build\bin\qxlaunch32.exe, the 32-bit companion launcher.
std::wstring companionExe();
// build\bin\qxlaunch-arm64.exe and build\bin\qxlaunchw-arm64.exe, the ARM64 launchers.
std::wstring arm64LauncherExe();
std::wstring arm64WindowedLauncherExe();
// build\support\java\<name>.jar.
std::wstring testJar(const std::wstring& name);

struct ChildResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string out;  // raw bytes of standard output
    std::string err;  // raw bytes of standard error
};

struct ChildOptions {
    // Variables to set (empty value = remove) on top of this process's environment.
    std::map<std::wstring, std::wstring> env;
    std::wstring workDir;      // empty = inherit
    DWORD timeoutMs = 120000;  // the child is killed after this and timedOut set
    std::string input;         // written to the child's standard input, then closed
    std::wstring desktop;      // "station\desktop" the child starts on; empty = this process's
};

// This process's environment with `changes` applied (empty value = remove), as a Unicode block
// for CreateProcessW.
std::wstring environmentBlock(const std::map<std::wstring, std::wstring>& changes);

// Starts `commandLine` (application name taken from it) with the given inheritable standard handles and
// the environment changes, working folder and desktop of `options`. The caller owns `process`'s handles.
bool startProcess(const std::wstring& commandLine, const ChildOptions& options, HANDLE in, HANDLE out,
                  HANDLE err, PROCESS_INFORMATION& process);

// Starts `commandLine` with pipes for stdin/stdout/stderr, waits and collects both outputs.
ChildResult runChild(const std::wstring& commandLine, const ChildOptions& options = {});

// The full path of this test program.
std::wstring ownExecutable();

// Sets an environment variable (null = removes it) for one scope and puts the old value back after.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
    ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value)
        : ScopedEnvironmentVariable(name, value.c_str()) {}
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    bool had_ = false;
    std::wstring saved_;
};

// A fresh empty folder under build\test-scratch\<test name>, removed first if it exists.
std::wstring scratchDir(const std::wstring& name);

bool writeFile(const std::wstring& path, const std::string& bytes);
bool readFile(const std::wstring& path, std::string& bytes);
bool copyFile(const std::wstring& from, const std::wstring& to);
bool removeTree(const std::wstring& path);

std::string narrow(const std::wstring& text);  // UTF-8
std::wstring widen(const std::string& text);   // from UTF-8
std::wstring quote(const std::wstring& arg);   // wraps in double quotes

}  // namespace qxtest
