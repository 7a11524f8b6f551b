#include "diag/trace.h"

#include <windows.h>

#include "base/last_error.h"
#include "base/scoped.h"

namespace qx {
namespace {

struct TraceSink {
    bool on = false;
    HANDLE out = nullptr;  // standard error, or file.get()
    UniqueFile file;
    ULONGLONG startMs = 0;  // the process creation time, in milliseconds since 1601
};

ULONGLONG milliseconds(const FILETIME& time) {
    return ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000;
}

void openSink(TraceSink& sink) {
    wchar_t target[MAX_PATH + 1];
    const DWORD length = GetEnvironmentVariableW(L"QXLAUNCH_TRACE", target, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return;
    const std::wstring where(target, length);
    if (where == L"0") return;
    if (where == L"1" || where == L"stderr") {
        sink.out = GetStdHandle(STD_ERROR_HANDLE);
    } else {
        sink.file.reset(CreateFileW(where.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        sink.out = sink.file.get();
    }
    if (sink.out == nullptr || sink.out == INVALID_HANDLE_VALUE) return;
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
        sink.startMs = milliseconds(creation);
    } else {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        sink.startMs = milliseconds(now);
    }
    sink.on = true;
}

// Never destroyed: the VM's exit hook and other threads may still write while the process ends.
TraceSink& sink() {
    static TraceSink* const instance = [] {
        const PreserveLastError keep;
        auto* opened = new TraceSink;
        openSink(*opened);
        return opened;
    }();
    return *instance;
}

}  // namespace

bool traceOn() { return sink().on; }

void trace(const std::wstring& line) {
    TraceSink& out = sink();
    if (!out.on) return;
    const PreserveLastError keep;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG nowMs = milliseconds(now);
    const std::wstring text =
        L"[" + std::to_wstring(nowMs > out.startMs ? nowMs - out.startMs : 0) + L" ms] " + line + L"\r\n";
    // UTF-8, so paths in any script survive whatever code page the reader uses.
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(out.out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace qx
