// The browser's link colour settings: "R,G,B" text in a registry string, accepted only whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/colour_text.h"

namespace qx {
namespace {

constexpr uint32_t kUntouched = 0xABCDEFu;

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

std::vector<uint8_t> utf16Bytes(const std::wstring& text, bool terminator = true) {
    std::vector<uint8_t> bytes;
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (terminator) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

TEST(ColourText, ReadsThreeComponentsEachModulo256) {
    struct Case {
        const wchar_t* text;
        uint32_t colour;
    };
    const Case cases[] = {
        {L"255,0,0", rgb(255, 0, 0)},
        {L"0,0,255", rgb(0, 0, 255)},
        {L"12,34,56", rgb(12, 34, 56)},
        {L" 1, +2,3", rgb(1, 2, 3)},
        {L"256,257,511", rgb(0, 1, 255)},
        {L"-2,0,0", rgb(254, 0, 0)},
        {L"7,8,9 and more", rgb(7, 8, 9)},
        {L"1,2,3,4", rgb(1, 2, 3)},
        // Text that is no number reads as 0: the value is valid and black.
        {L"a,b,c", rgb(0, 0, 0)},
        {L",,x", rgb(0, 0, 0)},
        {L"99999999999,0,0", rgb(255, 0, 0)},
    };
    for (const Case& c : cases) {
        uint32_t colour = kUntouched;
        EXPECT_TRUE(parseColourText(c.text, colour)) << c.text;
        EXPECT_EQ(colour, c.colour) << c.text;
    }
}

TEST(ColourText, RejectsMissingCommasEmptyBlueAndMinusOne) {
    for (const wchar_t* text : {L"", L"255", L"255,0", L"255,0,", L"-1,0,0", L"0,-1,0", L"0, -1,0"}) {
        uint32_t colour = kUntouched;
        EXPECT_FALSE(parseColourText(text, colour)) << text;
        EXPECT_EQ(colour, kUntouched) << text;
    }
    // Only the first two components are checked for -1.
    uint32_t colour = kUntouched;
    EXPECT_TRUE(parseColourText(L"0,0,-1", colour));
    EXPECT_EQ(colour, rgb(0, 0, 255));
}

TEST(ColourText, RegistryValueMustBeAShortTerminatedString) {
    uint32_t colour = kUntouched;
    const std::vector<uint8_t> red = utf16Bytes(L"255,0,0");
    EXPECT_TRUE(colourFromRegistryValue(kRegString, red.data(), red.size(), colour));
    EXPECT_EQ(colour, rgb(255, 0, 0));
    colour = kUntouched;
    EXPECT_TRUE(colourFromRegistryValue(kRegExpandString, red.data(), red.size(), colour));
    EXPECT_EQ(colour, rgb(255, 0, 0));

    // 11 characters and the NUL are 24 bytes, the most a value may have.
    const std::vector<uint8_t> longest = utf16Bytes(L"100,100,100");
    ASSERT_EQ(longest.size(), 24u);
    colour = kUntouched;
    EXPECT_TRUE(colourFromRegistryValue(kRegString, longest.data(), longest.size(), colour));
    EXPECT_EQ(colour, rgb(100, 100, 100));

    struct Case {
        const char* what;
        uint32_t type;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> odd = red;
    odd.push_back(0);
    const uint8_t dword[] = {0xFF, 0, 0, 0};
    const Case bad[] = {
        {"a DWORD", 4, std::vector<uint8_t>(dword, dword + 4)},
        {"binary text", 3, red},
        {"multi-string", 7, red},
        {"26 bytes", kRegString, utf16Bytes(L"100,100,1000")},
        {"no terminator", kRegString, utf16Bytes(L"255,0,0", false)},
        {"an odd size", kRegString, odd},
        {"empty", kRegString, {}},
        {"a bare NUL", kRegString, utf16Bytes(L"")},
        {"bad text", kRegString, utf16Bytes(L"255,0")},
    };
    for (const Case& c : bad) {
        colour = kUntouched;
        EXPECT_FALSE(colourFromRegistryValue(c.type, c.bytes.data(), c.bytes.size(), colour)) << c.what;
        EXPECT_EQ(colour, kUntouched) << c.what;
    }
}

}  // namespace
}  // namespace qx
