#include "installer/tool_process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace qxpack {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kPathSeparator = ';';
constexpr const char* kProgramSuffix = ".exe";

std::wstring wide(const std::string& utf8) { return fs::u8path(utf8).wstring(); }

// One argument as the C runtime of the started program splits it again: quoted when it holds a blank
// or a quote, backslashes doubled only before a quote.
std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}
#else
constexpr char kPathSeparator = ':';
constexpr const char* kProgramSuffix = "";
#endif

bool isProgram(const fs::path& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

}  // namespace

std::string findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
        return isProgram(fs::u8path(name)) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string folders = path == nullptr ? std::string() : path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(kPathSeparator, start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            const fs::path candidate = fs::u8path(folder) / fs::u8path(name + kProgramSuffix);
            if (isProgram(candidate)) return candidate.u8string();
        }
        start = end + 1;
    }
    return {};
}

bool runProgram(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& outputPath, int& exitCode, std::string& error) {
#ifdef _WIN32
    // The started program inherits standard output and error: both point at the output file meanwhile.
    const int file = _wopen(wide(outputPath).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);
    if (file < 0) {
        error = "cannot write " + outputPath;
        return false;
    }
    const int savedOut = _dup(1);
    const int savedErr = _dup(2);
    _dup2(file, 1);
    _dup2(file, 2);
    _close(file);
    std::vector<std::wstring> quoted = {quotedArgument(wide(program))};
    for (const std::string& a : arguments) quoted.push_back(quotedArgument(wide(a)));
    std::vector<const wchar_t*> argv;
    for (const std::wstring& a : quoted) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const intptr_t result = _wspawnv(_P_WAIT, wide(program).c_str(), argv.data());
    const int spawnErrno = errno;
    _dup2(savedOut, 1);
    _dup2(savedErr, 2);
    _close(savedOut);
    _close(savedErr);
    if (result == -1) {
        error = "cannot start " + program + ": " + std::strerror(spawnErrno);
        return false;
    }
    exitCode = static_cast<int>(result);
    return true;
#else
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int rc = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = "cannot start " + program + ": " + std::strerror(rc);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            error = "lost " + program + ": " + std::strerror(errno);
            return false;
        }
    }
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
#endif
}

}  // namespace qxpack
