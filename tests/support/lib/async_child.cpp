#include "support/lib/async_child.h"

#include <map>

namespace qxtest {
namespace {

HANDLE inheritableOutput(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::wstring target = path.empty() ? L"NUL" : path;
    return CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

AsyncChild::~AsyncChild() { kill(); }

bool AsyncChild::start(const std::wstring& commandLine, const ChildOptions& options,
                       const std::wstring& outputBase) {
    qx::UniqueFile out(inheritableOutput(outputBase.empty() ? L"" : outputBase + L".out"));
    qx::UniqueFile err(inheritableOutput(outputBase.empty() ? L"" : outputBase + L".err"));
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    qx::UniqueFile in(
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr));
    PROCESS_INFORMATION pi{};
    if (!startProcess(commandLine, options, in.get(), out.get(), err.get(), pi)) return false;
    qx::UniqueHandle thread(pi.hThread);
    process_.reset(pi.hProcess);
    threadId_ = pi.dwThreadId;
    return true;
}

bool AsyncChild::startWithoutHandles(const std::wstring& commandLine, const ChildOptions& options) {
    PROCESS_INFORMATION pi{};
    if (!startProcess(commandLine, options, nullptr, nullptr, nullptr, pi)) return false;
    qx::UniqueHandle thread(pi.hThread);
    process_.reset(pi.hProcess);
    threadId_ = pi.dwThreadId;
    return true;
}

bool AsyncChild::ended(DWORD ms) const {
    return !process_ || WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

DWORD AsyncChild::exitCode() const {
    DWORD code = 0xDEADDEADu;
    if (process_) GetExitCodeProcess(process_.get(), &code);
    return code;
}

void AsyncChild::kill() {
    if (process_ && !ended()) {
        TerminateProcess(process_.get(), 0xDEAD);
        WaitForSingleObject(process_.get(), 10000);
    }
}

std::vector<std::string> fileLines(const std::wstring& path) {
    std::string text;
    if (!readFile(path, text)) return {};
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        start = end + 1;
    }
    return out;
}

size_t countLinesStarting(const std::wstring& path, const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : fileLines(path)) {
        if (line.rfind(prefix, 0) == 0) ++count;
    }
    return count;
}

bool waitForLineStarting(const std::wstring& path, const std::string& prefix, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (countLinesStarting(path, prefix) > 0) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
}

}  // namespace qxtest
