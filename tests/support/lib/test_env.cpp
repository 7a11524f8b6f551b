#include "support/lib/test_env.h"

#include <algorithm>
#include <thread>

#include "base/scoped.h"

namespace qxtest {
namespace {

std::wstring envOr(const wchar_t* name, const wchar_t* fallback) {
    wchar_t buf[32768];
    const DWORD n = GetEnvironmentVariableW(name, buf, 32768);
    if (n > 0 && n < 32768) return std::wstring(buf, n);
    return fallback;
}

// Reads until every writer has closed the pipe, or until the child has ended and the pipe stayed
// empty for a moment: processes Wine starts on demand (its desktop window process) may inherit the
// pipe and keep it open long after the child is gone.
void drain(HANDLE pipe, HANDLE process, std::string* sink) {
    char buf[4096];
    int quietAfterExit = 0;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
            DWORD got = 0;
            if (!ReadFile(pipe, buf, std::min<DWORD>(available, sizeof buf), &got, nullptr) || got == 0)
                break;
            sink->append(buf, got);
            quietAfterExit = 0;
            continue;
        }
        if (WaitForSingleObject(process, 5) == WAIT_OBJECT_0) {
            if (++quietAfterExit > 40) break;
            Sleep(5);
        }
    }
}

}  // namespace

std::wstring environmentBlock(const std::map<std::wstring, std::wstring>& changes) {
    // Windows keeps the block sorted case-insensitively; a map with that order keeps it so.
    struct Less {
        bool operator()(const std::wstring& a, const std::wstring& b) const {
            return _wcsicmp(a.c_str(), b.c_str()) < 0;
        }
    };
    std::map<std::wstring, std::wstring, Less> vars;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry(p);
        const size_t eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos) continue;
        vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        if (value.empty())
            vars.erase(name);
        else
            vars[name] = value;
    }
    std::wstring out;
    for (const auto& [name, value] : vars) {
        out += name + L"=" + value;
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

std::wstring outDir() { return envOr(L"QXTEST_OUT_DIR", QXTEST_OUT_DIR); }
std::wstring sourceDir() { return envOr(L"QXTEST_SOURCE_DIR", QXTEST_SOURCE_DIR); }
std::wstring runtimeHome(const std::wstring& name) { return outDir() + L"\\runtimes\\" + name; }
std::wstring launcherExe() { return outDir() + L"\\bin\\qxlaunch.exe"; }
std::wstring windowedLauncherExe() { return outDir() + L"\\bin\\qxlaunchw.exe"; }
std::wstring companionExe() { return outDir() + L"\\bin\\qxlaunch32.exe"; }
std::wstring arm64LauncherExe() { return outDir() + L"\\bin\\qxlaunch-arm64.exe"; }
std::wstring arm64WindowedLauncherExe() { return outDir() + L"\\bin\\qxlaunchw-arm64.exe"; }
std::wstring testJar(const std::wstring& name) { return outDir() + L"\\support\\java\\" + name + L".jar"; }

bool startProcess(const std::wstring& commandLine, const ChildOptions& options, HANDLE in, HANDLE out,
                  HANDLE err, PROCESS_INFORMATION& process) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    std::wstring desktop = options.desktop;
    if (!desktop.empty()) si.lpDesktop = desktop.data();
    std::wstring cmd = commandLine;
    std::wstring env = environmentBlock(options.env);
    return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                          options.workDir.empty() ? nullptr : options.workDir.c_str(), &si, &process) != 0;
}

ChildResult runChild(const std::wstring& commandLine, const ChildOptions& options) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE rawOutRead, rawOutWrite, rawErrRead, rawErrWrite, rawInRead, rawInWrite;
    CreatePipe(&rawOutRead, &rawOutWrite, &inherit, 0);
    CreatePipe(&rawErrRead, &rawErrWrite, &inherit, 0);
    CreatePipe(&rawInRead, &rawInWrite, &inherit, 0);
    qx::UniqueHandle outRead(rawOutRead), outWrite(rawOutWrite), errRead(rawErrRead), errWrite(rawErrWrite),
        inRead(rawInRead), inWrite(rawInWrite);
    SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);

    PROCESS_INFORMATION pi{};
    if (!startProcess(commandLine, options, inRead.get(), outWrite.get(), errWrite.get(), pi)) {
        result.exitCode = 0xDEAD0000u | (GetLastError() & 0xFFFF);
        result.err = "CreateProcessW failed";
        return result;
    }
    qx::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    outWrite.reset();
    errWrite.reset();
    inRead.reset();

    std::thread outReader(drain, outRead.get(), process.get(), &result.out);
    std::thread errReader(drain, errRead.get(), process.get(), &result.err);
    if (!options.input.empty()) {
        DWORD written = 0;
        WriteFile(inWrite.get(), options.input.data(), static_cast<DWORD>(options.input.size()), &written,
                  nullptr);
    }
    inWrite.reset();
    if (WaitForSingleObject(process.get(), options.timeoutMs) != WAIT_OBJECT_0) {
        result.timedOut = true;
        TerminateProcess(process.get(), 0xDEAD);
        WaitForSingleObject(process.get(), 10000);
    }
    GetExitCodeProcess(process.get(), &result.exitCode);
    outReader.join();
    errReader.join();
    return result;
}

std::wstring ownExecutable() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value)
    : name_(name) {
    std::wstring buffer(32768, L'\0');
    SetLastError(0);
    const DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    had_ = n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    saved_.assign(buffer.data(), n < buffer.size() ? n : 0);
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), had_ ? saved_.c_str() : nullptr);
}

std::wstring scratchDir(const std::wstring& name) {
    const std::wstring root = outDir() + L"\\test-scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring dir = root + L"\\" + name;
    removeTree(dir);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    qx::UniqueFile f(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    DWORD written = 0;
    return WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool readFile(const std::wstring& path, std::string& bytes) {
    qx::UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    bytes.clear();
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return true;
}

bool copyFile(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE);
}

bool removeTree(const std::wstring& path) {
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str());
    }
    WIN32_FIND_DATAW data;
    qx::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    return RemoveDirectoryW(path.c_str());
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

}  // namespace qxtest
