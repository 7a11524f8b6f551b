// Keeps the calling thread's last error across cleanup and reporting, so that a caller still reads why
// the operation it asked for failed.
#pragma once

#include <windows.h>

namespace qx {

class PreserveLastError {
public:
    PreserveLastError() noexcept : saved_(GetLastError()) {}
    ~PreserveLastError() { SetLastError(saved_); }
    PreserveLastError(const PreserveLastError&) = delete;
    PreserveLastError& operator=(const PreserveLastError&) = delete;

private:
    DWORD saved_;
};

}  // namespace qx
