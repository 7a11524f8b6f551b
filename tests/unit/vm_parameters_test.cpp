// The text rules of "Virtual Machine Parameters" and "Class Path": tokens, quotes, memory shares,
// stack sizes and where class-path pieces are looked for.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vm/class_path_text.h"
#include "vm/vm_parameter_text.h"

namespace qx {
namespace {

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;
constexpr uint64_t kTiB = 1024 * kGiB;

using Tokens = std::vector<std::wstring>;

struct SplitCase {
    const wchar_t* value;
    Tokens tokens;
};

TEST(VmParameterTokens, SpacesCutOutsideQuotesOnly) {
    const SplitCase cases[] = {
        {L"", {}},
        {L"   ", {}},
        {L"-Xmx512m", {L"-Xmx512m"}},
        {L"-Xmx512m   -Da=1 ", {L"-Xmx512m", L"-Da=1"}},
        // A leading space (as a "+" section adds) must not become an empty option.
        {L" -Da=1", {L"-Da=1"}},
        {L"-Dtitle=\"My App\" -Xmx50p", {L"-Dtitle=\"My App\"", L"-Xmx50p"}},
        {L"\"-Da=x y\"", {L"\"-Da=x y\""}},
        {L"-Da=\"1 2\"\"3 4\" z", {L"-Da=\"1 2\"\"3", L"4\"", L"z"}},
        {L"-Da=\"x\"-Db=\"y z\" w", {L"-Da=\"x\"-Db=\"y z\"", L"w"}},
        // An unclosed quote does not swallow the rest: the token ends at the next space.
        {L"-Da=\"b c -Dd=1", {L"-Da=\"b", L"c", L"-Dd=1"}},
        {L"-Da=\"b", {L"-Da=\"b"}},
        {L"\"\" x", {L"\"\"", L"x"}},
        {L"tab\tstays", {L"tab\tstays"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(splitVmParameters(c.value), c.tokens)
            << "value: " << testing::PrintToString(std::wstring(c.value));
    }
}

TEST(VmParameterTokens, FiveThousandTokensKeepTheirOrder) {
    std::wstring value;
    for (int i = 0; i < 5000; ++i)
        value += L"-Dk" + std::to_wstring(i) + L"=\"v " + std::to_wstring(i) + L"\"  ";
    const Tokens tokens = splitVmParameters(value);
    ASSERT_EQ(tokens.size(), 5000u);
    EXPECT_EQ(tokens[0], L"-Dk0=\"v 0\"");
    EXPECT_EQ(tokens[4999], L"-Dk4999=\"v 4999\"");
}

TEST(VmParameterTokens, FortyThousandCharactersOfQuotesStayOneToken) {
    // Many quote pairs before the one space: each pair restarts the search, which must not rescan the
    // rest of the value every time.
    std::wstring value = L"-Dq=";
    while (value.size() < 40000) value += L"\"a b\"c";
    const Tokens tokens = splitVmParameters(value + L" next");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0], value);
    EXPECT_EQ(tokens[1], L"next");
}

TEST(VmParameterQuotes, PairsAreRemovedAndADoubledClosingQuoteLeavesOne) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"-Dtitle=\"My App\"", L"-Dtitle=My App"},
        {L"\"-Da=1\"", L"-Da=1"},
        {L"-Da=\"x\"-Db=\"y\"", L"-Da=x-Db=y"},
        {L"\"a\"\"b\"", L"a\"b\""},
        {L"-Da=\"\"", L"-Da="},
        {L"\"\"\"\"", L"\"\""},
        {L"-Da=\"open", L"-Da=\"open"},
        {L"-Da=\"x\" \"y", L"-Da=x \"y"},
        {L"plain", L"plain"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(removeVmParameterQuotes(in), out) << testing::PrintToString(std::wstring(in));
}

TEST(MemoryShare, OnlyHeapAndStackSizesWithAShareUnitAreShares) {
    for (const wchar_t* yes : {L"-Xmx50p", L"-Xms50P", L"-Xss1t", L"-Xmx1T", L"-Xmxp"})
        EXPECT_TRUE(isMemoryShare(yes)) << yes;
    for (const wchar_t* no :
         {L"-Xmx512m", L"-XmX50p", L"-xmx50p", L"-Xmn50p", L"-Dp", L"-Xmx", L"", L"-Xmx50p "})
        EXPECT_FALSE(isMemoryShare(no)) << testing::PrintToString(std::wstring(no));
}

TEST(MemoryShare, SizeIsAShareOfTheChosenMemoryWithinTheBounds) {
    const MachineMemory eightGiB{8 * kGiB, 128 * kTiB};
    const MachineMemory fourGiB{4 * kGiB, 3 * kGiB};
    struct Case {
        const wchar_t* token;
        MachineMemory memory;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"-Xmx50p", eightGiB, L"-Xmx4194304K"},
        {L"-Xmx50P", eightGiB, L"-Xmx4194304K"},
        {L"-Xmx50:512:1024p", eightGiB, L"-Xmx1048576K"},
        {L"-Xmx10:2048p", fourGiB, L"-Xmx2097152K"},
        {L"-Xmx0p", eightGiB, L"-Xmx0K"},
        {L"-Xmx100p", eightGiB, L"-Xmx8388608K"},
        {L"-Xmx150p", eightGiB, L"-Xmx12582912K"},
        {L"-Xms33p", fourGiB, L"-Xms1384120K"},             // 4194304 * 0.33 truncated
        {L"-Xmx50t", fourGiB, L"-Xmx1572864K"},             // "t" takes the free address space
        {L"-Xmx50:0:0p", eightGiB, L"-Xmx4194304K"},        // a maximum of 0 is no maximum
        {L"-Xmx50:4096:1024p", eightGiB, L"-Xmx4194304K"},  // the minimum wins over the maximum
        {L"-Xmx:512p", eightGiB, L"-Xmx524288K"},
        {L"-Xmx5x0p", eightGiB, L"-Xmx4194304K"},  // other characters between digits are skipped
        {L"-Xmxp", eightGiB, L"-Xmxp0K"},
        // Beyond 2^31 KB the size is written in full, not through a 32-bit field.
        {L"-Xmx50t", {8 * kGiB, 128 * kTiB}, L"-Xmx68719476736K"},
        {L"-Xmx100p", {4 * kTiB, 0}, L"-Xmx4294967296K"},
        // Absurd figures stay at the top instead of wrapping to a small size.
        {L"-Xmx18446744073709551615p", {0xFFFFFFFFFFFFFFFFull, 0}, L"-Xmx18446744073709551615K"},
        {L"-Xmx1:99999999999999999:0p", eightGiB, L"-Xmx18446744073709551615K"},
        {L"-Xmx100:0:99999999999999999p", eightGiB, L"-Xmx8388608K"},
    };
    for (const Case& c : cases) EXPECT_EQ(rewriteMemoryShare(c.token, c.memory), c.expected) << c.token;
}

TEST(StackSize, UnitSelectsTheMultiplierAndAnythingElseIsZero) {
    const std::pair<const wchar_t*, uint64_t> cases[] = {
        {L"512k", 524288},
        {L"512K", 524288},
        {L"2m", 2097152},
        {L"2M", 2097152},
        {L"1g", 1073741824},
        {L"1G", 1073741824},
        {L"512", 512},
        {L"1048576", 1048576},
        {L"8x", 8},
        {L"=512k", 0},
        {L"1:2k", 0},
        {L":5", 0},
        {L"", 0},
        {L"k", 0},
        {L"99999999999g", 0xFFFFFFFFFFFFFFFFull},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(parseStackSize(text), bytes) << testing::PrintToString(std::wstring(text));
}

TEST(PrepareVmParameter, LastStackSizeWinsAndMemoryIsAskedOnlyForShares) {
    int asked = 0;
    const auto memory = [&asked] {
        ++asked;
        return MachineMemory{8 * kGiB, 128 * kTiB};
    };
    uint64_t stack = 0;
    EXPECT_EQ(prepareVmParameter(L"-Xss2m", memory, stack), L"-Xss2m");
    EXPECT_EQ(stack, 2097152u);
    EXPECT_EQ(prepareVmParameter(L"-Dtitle=\"My App\"", memory, stack), L"-Dtitle=My App");
    EXPECT_EQ(stack, 2097152u);
    EXPECT_EQ(asked, 0);
    // A stack size that does not parse clears the earlier one; the option still goes to the VM.
    EXPECT_EQ(prepareVmParameter(L"-Xss=512k", memory, stack), L"-Xss=512k");
    EXPECT_EQ(stack, 0u);
    // A stack share is rewritten first, then read as kilobytes.
    EXPECT_EQ(prepareVmParameter(L"-Xss1:0:1p", memory, stack), L"-Xss1024K");
    EXPECT_EQ(stack, 1048576u);
    EXPECT_EQ(asked, 1);
    // Quotes go before the share test, so a quoted share is still rewritten.
    EXPECT_EQ(prepareVmParameter(L"\"-Xmx50p\"", memory, stack), L"-Xmx4194304K");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(stack, 1048576u);
}

TEST(ClassPathPiece, SearchedPiecesResolveAgainstTheLauncherFolder) {
    const std::wstring dir = L"C:\\app";
    struct Case {
        const wchar_t* piece;
        const wchar_t* pattern;
        const wchar_t* matchDir;
    };
    const Case cases[] = {
        {L"lib\\*.jar", L"C:\\app\\lib\\*.jar", L"C:\\app\\lib"},
        {L"lib\\sub\\a?.jar", L"C:\\app\\lib\\sub\\a?.jar", L"C:\\app\\lib\\sub"},
        {L"*.jar", L"C:\\app\\*.jar", L"C:\\app"},
        {L"a.jar", L"C:\\app\\a.jar", L"C:\\app"},
        {L"x", L"C:\\app\\x", L"C:\\app"},
        {L"\\a.jar", L"C:\\app\\\\a.jar", L"C:\\app"},
        {L"..\\shared\\*.jar", L"C:\\app\\..\\shared\\*.jar", L"C:\\app\\..\\shared"},
        {L"C:\\lib\\*.jar", L"C:\\lib\\*.jar", L"C:\\lib"},
        {L"C:\\lib\\*", L"C:\\lib\\*", L"C:\\lib"},
        {L"C:*.jar", L"C:*.jar", L""},
        {L"\\\\srv\\share\\*.jar", L"\\\\srv\\share\\*.jar", L"\\\\srv\\share"},
        {L"C:\\l*\\", L"C:\\l*\\", L"C:\\l*\\"},
    };
    for (const Case& c : cases) {
        const ClassPathSearch s = classPathSearch(c.piece, dir);
        EXPECT_EQ(s.pattern, c.pattern) << c.piece;
        EXPECT_EQ(s.matchDir, c.matchDir) << c.piece;
    }
    EXPECT_EQ(launcherDirectory(L"C:\\app\\run.exe"), L"C:\\app");
    EXPECT_EQ(launcherDirectory(L"\\\\?\\C:\\a b\\run.exe"), L"\\\\?\\C:\\a b");
}

}  // namespace
}  // namespace qx
