// Captures what code running in this process writes to standard output (the error line's channel).
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped.h"

namespace qxtest {

// Runs `body` with standard output sent into a pipe and returns the bytes written. For short output
// only: the pipe holds 64 KB.
template <typename Body>
std::string captureStdout(Body body) {
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, 1 << 16)) return "<no pipe>";
    qx::UniqueHandle reader(read), writer(write);
    const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, writer.get());
    body();
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    writer.reset();
    std::string out;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(reader.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) out.append(chunk, got);
    return out;
}

}  // namespace qxtest
