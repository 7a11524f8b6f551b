// Threads that keep the CPU busy while a test runs beside them, so that races which need a loaded
// machine show up on an idle one too.
#pragma once

#include <windows.h>

#include <vector>

#include "base/scoped.h"

namespace qxtest {

class BusyLoops {
public:
    explicit BusyLoops(int count);  // starts `count` threads that spin until the object goes
    ~BusyLoops();
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    static DWORD WINAPI spin(LPVOID self);

    volatile LONG stop_ = 0;
    std::vector<qx::UniqueHandle> threads_;
};

}  // namespace qxtest
