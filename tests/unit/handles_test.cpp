// Handle owners and error reporting leave the caller's last error alone, and out-parameter handles land
// in their owner.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/last_error.h"
#include "base/scoped.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "support/lib/stdout_capture.h"

namespace qx {
namespace {

// A handle kind whose release is counted and, like many real releases, overwrites the last error.
struct CountingTraits {
    using Handle = int;
    static int invalid() { return 0; }
    static void close(int) {
        ++closed;
        SetLastError(ERROR_INVALID_HANDLE);
    }
    static inline int closed = 0;
};
using Counted = Scoped<CountingTraits>;

TEST(Scoped, ReleasingKeepsTheLastErrorAndPutReleasesFirst) {
    CountingTraits::closed = 0;
    {
        Counted owner(7);
        SetLastError(ERROR_FILE_NOT_FOUND);
        *owner.put() = 8;  // the old handle goes before the slot is handed out
        EXPECT_EQ(CountingTraits::closed, 1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(owner.get(), 8);
        SetLastError(ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(CountingTraits::closed, 2);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    UniqueKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
}

TEST(PreserveLastError, ReportingAnErrorLineKeepsWhyTheCallerFailed) {
    for (const DWORD error : {static_cast<DWORD>(ERROR_FILE_NOT_FOUND), static_cast<DWORD>(0)}) {
        DWORD seen = 12345;
        const std::string out = qxtest::captureStdout([&] {
            SetLastError(error);
            reportError(kMsgWindowsException, {catalogueText(kMsgModulePathFailed), 2});
            writeStdout(L"more\n");
            seen = GetLastError();
        });
        EXPECT_EQ(seen, error);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
        SetLastError(error);
        {
            const PreserveLastError keep;
            SetLastError(ERROR_OUTOFMEMORY);
        }
        EXPECT_EQ(GetLastError(), error);
    }
}

}  // namespace
}  // namespace qx
