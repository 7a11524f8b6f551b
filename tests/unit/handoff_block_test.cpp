// The single-instance block: object names and the argument area's encoding, including blocks written
// by something other than the launcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launch/handoff_block.h"

namespace qx {
namespace {

using Args = std::vector<std::wstring>;

HandoffBlock filledBlock(uint16_t unit) {
    HandoffBlock block{};
    for (uint16_t& u : block.argumentArea) u = unit;
    for (uint16_t& u : block.reserved) u = unit;
    return block;
}

Args decode(const HandoffBlock& block) {
    Args args;
    readHandoffArguments(block, args);
    return args;
}

TEST(HandoffNames, DerivedFromTheModulePathWithUnderscoresForBackslashes) {
    const std::wstring name = handoffObjectName(L"C:\\Apps\\Tool\\tool.exe");
    EXPECT_EQ(name, L"C:_Apps_Tool_tool.exe");
    EXPECT_EQ(handoffReadyEventName(name), L"C:_Apps_Tool_tool.exe_upr_evt");
    // Different folders give different names, so copies at two paths never meet.
    EXPECT_NE(handoffObjectName(L"C:\\a\\tool.exe"), handoffObjectName(L"C:\\b\\tool.exe"));
    EXPECT_NE(handoffMutexName(name), handoffReadyEventName(name));
    EXPECT_NE(handoffAckMessageName(name), name);
}

TEST(HandoffArguments, RoundTripKeepsWhatTheListCanCarry) {
    struct Case {
        Args sent;
        Args received;
    };
    const Case cases[] = {
        // No arguments still deliver one empty string.
        {{}, {L""}},
        {{L"a"}, {L"a"}},
        {{L"one", L"two words", L"gr\u00fc\u00dfe \u65e5\u672c"},
         {L"one", L"two words", L"gr\u00fc\u00dfe \u65e5\u672c"}},
        // An empty argument after the first is read as the end of the list.
        {{L"a", L"", L"b"}, {L"a"}},
        // An empty first argument is kept.
        {{L"", L"x"}, {L"", L"x"}},
    };
    for (const Case& c : cases) {
        HandoffBlock block = filledBlock(0x4141);
        ASSERT_TRUE(encodeHandoffArguments(c.sent, block));
        EXPECT_EQ(decode(block), c.received) << c.sent.size() << " arguments";
        // The rest of the area is cleared, so an earlier, longer list cannot show through.
        EXPECT_EQ(block.argumentArea[kHandoffAreaUnits - 1], 0);
    }
}

TEST(HandoffArguments, AreaHoldsExactly1040BytesWithTerminators) {
    // One argument of 518 units: (518 + 1) * 2 + 2 = 1040 bytes.
    const Args fits = {std::wstring(518, L'x')};
    EXPECT_EQ(handoffArgumentBytes(fits), 1040u);
    HandoffBlock block{};
    ASSERT_TRUE(encodeHandoffArguments(fits, block));
    EXPECT_EQ(decode(block), fits);

    const Args tooLong = {std::wstring(519, L'x')};
    EXPECT_EQ(handoffArgumentBytes(tooLong), 1042u);
    HandoffBlock untouched = filledBlock(0x4242);
    EXPECT_FALSE(encodeHandoffArguments(tooLong, untouched));
    EXPECT_EQ(untouched.argumentArea[0], 0x4242);

    // Terminators count: 259 one-unit arguments take 1038 bytes, 260 do not fit.
    EXPECT_EQ(handoffArgumentBytes(Args(259, L"y")), 1038u);
    EXPECT_FALSE(encodeHandoffArguments(Args(260, L"y"), untouched));
}

TEST(HandoffArguments, ForeignBlocksAreDecodedWithinTheirBound) {
    // Nothing but non-zero units: the unfinished string is dropped, nothing is read past the block.
    EXPECT_EQ(decode(filledBlock(0x0041)), Args{});

    // A terminated string, then no end: only the finished one counts.
    HandoffBlock partial = filledBlock(0x0078);
    partial.argumentArea[0] = L'a';
    partial.argumentArea[1] = L'b';
    partial.argumentArea[2] = 0;
    EXPECT_EQ(decode(partial), Args{L"ab"});

    // The first string runs on into the reserved part and ends at the last unit that is read (offset
    // 2088); a terminator one unit later (offset 2090) is out of bounds.
    HandoffBlock longest = filledBlock(0x0079);
    longest.reserved[kHandoffAreaUnits - 2] = 0;
    const Args read = decode(longest);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].size(), 2 * kHandoffAreaUnits - 2);
    HandoffBlock beyond = filledBlock(0x0079);
    beyond.reserved[kHandoffAreaUnits - 1] = 0;
    EXPECT_EQ(decode(beyond), Args{});
}

}  // namespace
}  // namespace qx
