#include "runtime/pe_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A minimal image: DOS header, NT headers at `lfanew`, an optional header of `optionalSize` bytes.
std::vector<unsigned char> image(uint32_t lfanew, uint16_t machine, uint16_t optionalSize = 224) {
    std::vector<unsigned char> bytes(lfanew + 24 + optionalSize, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    std::memcpy(&bytes[0x3C], &lfanew, 4);
    std::memcpy(&bytes[lfanew], "PE\0\0", 4);
    std::memcpy(&bytes[lfanew + 4], &machine, 2);
    std::memcpy(&bytes[lfanew + 4 + 16], &optionalSize, 2);
    return bytes;
}

TEST(PeHeader, ReadsTheMachineOfWellFormedImages) {
    uint16_t machine = 0;
    auto x86 = image(0x80, qx::kMachineX86);
    ASSERT_TRUE(qx::peMachine(x86.data(), x86.size(), &machine));
    EXPECT_EQ(machine, qx::kMachineX86);
    auto x64 = image(0x40, 0x8664, 240);
    ASSERT_TRUE(qx::peMachine(x64.data(), x64.size(), &machine));
    EXPECT_EQ(machine, 0x8664);
}

TEST(PeHeader, RejectsImagesWhoseHeadersLieOutsideTheFile) {
    uint16_t machine = 0;
    auto good = image(0x80, qx::kMachineX86);

    // Truncated anywhere inside the headers.
    for (size_t cut : {size_t{0}, size_t{1}, size_t{63}, size_t{0x80}, size_t{0x80 + 23}, good.size() - 1}) {
        EXPECT_FALSE(qx::peMachine(good.data(), cut, &machine)) << "cut at " << cut;
    }
    // e_lfanew pointing past the end, or so far that adding the header sizes would wrap.
    for (uint32_t lfanew : {0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFF0u, static_cast<uint32_t>(good.size())}) {
        auto bad = good;
        std::memcpy(&bad[0x3C], &lfanew, 4);
        EXPECT_FALSE(qx::peMachine(bad.data(), bad.size(), &machine)) << std::hex << lfanew;
    }
    // An optional header announced larger than what remains.
    auto big = good;
    const uint16_t huge = 0xFFFF;
    std::memcpy(&big[0x80 + 20], &huge, 2);
    EXPECT_FALSE(qx::peMachine(big.data(), big.size(), &machine));
}

TEST(PeHeader, RejectsFilesThatAreNotPeImages) {
    uint16_t machine = 0;
    auto noMz = image(0x80, qx::kMachineX86);
    noMz[0] = 'X';
    EXPECT_FALSE(qx::peMachine(noMz.data(), noMz.size(), &machine));
    auto noPe = image(0x80, qx::kMachineX86);
    noPe[0x81] = 'X';
    EXPECT_FALSE(qx::peMachine(noPe.data(), noPe.size(), &machine));
    const unsigned char elf[] = {0x7F, 'E', 'L', 'F'};
    EXPECT_FALSE(qx::peMachine(elf, sizeof elf, &machine));
    EXPECT_FALSE(qx::peMachine(nullptr, 0, &machine));
}

}  // namespace
