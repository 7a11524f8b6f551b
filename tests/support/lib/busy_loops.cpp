#include "support/lib/busy_loops.h"

namespace qxtest {

BusyLoops::BusyLoops(int count) {
    for (int i = 0; i < count; ++i) threads_.emplace_back(CreateThread(nullptr, 0, spin, this, 0, nullptr));
}

BusyLoops::~BusyLoops() {
    InterlockedExchange(&stop_, 1);
    // Each thread looks at the flag between two rounds of work, so it ends at once.
    for (qx::UniqueHandle& thread : threads_) WaitForSingleObject(thread.get(), INFINITE);
}

DWORD WINAPI BusyLoops::spin(LPVOID param) {
    auto* self = static_cast<BusyLoops*>(param);
    volatile unsigned long long sink = 0;
    while (InterlockedCompareExchange(&self->stop_, 0, 0) == 0) {
        for (int i = 0; i < 100000; ++i) sink = sink + static_cast<unsigned long long>(i);
    }
    return 0;
}

}  // namespace qxtest
