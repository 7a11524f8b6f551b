// Children that keep running while the test goes on (a primary instance, a crowd of second starts),
// and the files through which the Java test apps report what they saw.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/scoped.h"
#include "support/lib/test_env.h"

namespace qxtest {

class AsyncChild {
public:
    AsyncChild() = default;
    AsyncChild(AsyncChild&&) = default;
    AsyncChild& operator=(AsyncChild&&) = default;
    ~AsyncChild();  // a child still running is killed

    // Starts `commandLine` with the environment changes and working folder of `options`; standard
    // output and error go to `outputBase`.out and `outputBase`.err (empty = nowhere).
    bool start(const std::wstring& commandLine, const ChildOptions& options,
               const std::wstring& outputBase = {});
    // Starts `commandLine` with no standard handles at all, as the shell starts a windowed program.
    bool startWithoutHandles(const std::wstring& commandLine, const ChildOptions& options);
    // True once the child has ended, waiting at most `ms`.
    bool ended(DWORD ms = 0) const;
    DWORD exitCode() const;
    void kill();
    HANDLE handle() const { return process_.get(); }
    DWORD mainThreadId() const { return threadId_; }

private:
    qx::UniqueHandle process_;
    DWORD threadId_ = 0;
};

// The lines of a UTF-8 text file without line ends; empty when it cannot be read.
std::vector<std::string> fileLines(const std::wstring& path);
// Polls `path` until a line starts with `prefix` (true) or `timeoutMs` has passed.
bool waitForLineStarting(const std::wstring& path, const std::string& prefix, DWORD timeoutMs);
// How many lines of `path` start with `prefix`.
size_t countLinesStarting(const std::wstring& path, const std::string& prefix);

}  // namespace qxtest
