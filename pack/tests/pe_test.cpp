#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "pe/pe_checksum.h"
#include "pe/pe_resources.h"
#include "synthetic_pe.h"

namespace qxpack {
namespace {

using test::launcherLikeResources;
using test::makeResource;
using test::sectionBytes;
using test::SyntheticOptions;
using test::syntheticPe;

PeImage parsed(const Bytes& file, bool allowI386 = false) {
    PeImage image;
    std::string error;
    PeAcceptance acceptance;
    acceptance.allowI386 = allowI386;
    EXPECT_TRUE(parsePeImage(file, acceptance, image, error)) << error;
    return image;
}

ResourceTable resourcesOf(const PeImage& image) {
    ResourceTable table;
    std::string error;
    EXPECT_TRUE(readResources(image, table, error)) << error;
    return table;
}

uint32_t headerField(const PeImage& image, size_t offset) { return ByteReader(image.file).u32(offset); }

ResourceTable withNamedAndLargeEntries() {
    ResourceTable table = launcherLikeResources();
    Resource named = makeResource(kTypeRcData, 0, 0, Bytes(5000, 0x5A));
    named.name = ResourceId{true, 0, u"SETTINGS"};
    named.codePage = 1252;
    table.push_back(named);
    table.push_back(makeResource(kTypeRcData, 7, 0x407, {1, 2, 3}));
    table.push_back(makeResource(kTypeRcData, 7, 0x409, {4, 5, 6, 7}));
    return table;
}

TEST(PeChecksum, FoldsCarriesSkipsItsOwnFieldAndAddsTheLength) {
    // Words 1 and 2, the skipped field, 0xFFFF and an odd last byte 3: (1 + 2 + 0xFFFF folded) + 3 + 11.
    const Bytes file = {0x01, 0x00, 0x02, 0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0xFF, 0xFF, 0x03};
    EXPECT_EQ(peChecksum(file, 4), 3u + 3u + 11u);
}

// The launcher named by QXPACK_LAUNCHER (scripts/pack-test sets it): a linker-made image with imports,
// relocations, debug sections and COFF symbols after its resource section.
bool readRealLauncher(Bytes& file) {
    const char* path = std::getenv("QXPACK_LAUNCHER");
    if (path == nullptr) return false;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    for (int c; (c = std::fgetc(f)) != EOF;) file.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return true;
}

TEST(RealLauncher, ChecksumAgreesWithTheLinker) {
    Bytes file;
    if (!readRealLauncher(file)) GTEST_SKIP() << "QXPACK_LAUNCHER not set or unreadable";
    const PeImage image = parsed(file);
    EXPECT_EQ(peChecksum(image.file, checksumOffset(image)), headerField(image, checksumOffset(image)));
}

TEST(RealLauncher, GrownResourcesMoveToANewSectionAndNothingElseChanges) {
    Bytes file;
    if (!readRealLauncher(file)) GTEST_SKIP() << "QXPACK_LAUNCHER not set or unreadable";
    const PeImage before = parsed(file);
    ResourceTable table = resourcesOf(before);
    ASSERT_NE(findResource(table, kTypeManifest, ResourceId::number(1)), nullptr);
    table.push_back(makeResource(kTypeRcData, 8000, 0, Bytes(40000, 0x42)));

    Bytes out;
    std::string error;
    ASSERT_TRUE(writeWithResources(before, table, out, error)) << error;
    const PeImage after = parsed(out);
    sortResources(table);
    EXPECT_EQ(resourcesOf(after), table);
    ASSERT_EQ(after.sections.size(), before.sections.size() + 1);
    for (size_t i = 0; i < before.sections.size(); ++i) {
        EXPECT_EQ(sectionBytes(after, before.sections[i].name), sectionBytes(before, before.sections[i].name))
            << before.sections[i].name;
    }
    for (int dir : {0, 1, 3, 5, 9, 12}) {
        EXPECT_EQ(after.directory(dir).rva, before.directory(dir).rva) << "directory " << dir;
        EXPECT_EQ(after.directory(dir).size, before.directory(dir).size) << "directory " << dir;
    }
    EXPECT_EQ(after.directory(kDirectoryResource).rva, after.sections.back().virtualAddress);
    EXPECT_EQ(headerField(after, checksumOffset(after)), peChecksum(after.file, checksumOffset(after)));
}

// Parse, rebuild and parse again over the layouts the writer handles differently.
TEST(PeResources, RebuildKeepsEveryResourceAndEveryOtherSection) {
    struct Case {
        const char* name;
        SyntheticOptions options;
        ResourceTable replacement;
        bool expectNewSection;
    };
    ResourceTable bigger = withNamedAndLargeEntries();
    bigger.push_back(makeResource(kTypeRcData, 8, 0, Bytes(9000, 0x11)));
    const SyntheticOptions last;
    SyntheticOptions notLast;
    notLast.resourcesLast = false;
    SyntheticOptions notLastWithRoom = notLast;
    notLastWithRoom.resourceSlack = 0x5000;
    SyntheticOptions i386;
    i386.machine = kMachineI386;
    i386.resourcesLast = false;
    SyntheticOptions symbols;
    symbols.withSymbols = true;
    symbols.resourcesLast = false;
    const Case cases[] = {
        {"same resources, last section", last, launcherLikeResources(), false},
        {"grown, last section", last, bigger, false},
        {"grown, followed by .reloc", notLast, bigger, true},
        {"grown within the room it has", notLastWithRoom, bigger, false},
        {"32-bit image", i386, bigger, true},
        {"unstripped image", symbols, bigger, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PeImage before = parsed(syntheticPe(launcherLikeResources(), c.options), true);
        EXPECT_EQ(resourcesOf(before), test::sorted(launcherLikeResources()));

        Bytes out;
        std::string error;
        ASSERT_TRUE(writeWithResources(before, c.replacement, out, error)) << error;
        const PeImage after = parsed(out, true);
        ResourceTable expected = c.replacement;
        sortResources(expected);
        EXPECT_EQ(resourcesOf(after), expected);

        EXPECT_EQ(after.sections.size(), before.sections.size() + (c.expectNewSection ? 1 : 0));
        for (const char* kept : {".text", ".reloc"})
            EXPECT_EQ(sectionBytes(after, kept), sectionBytes(before, kept)) << kept;
        const PeSection& last = after.sections.back();
        EXPECT_EQ(
            headerField(after, sizeOfImageOffset(after)),
            alignUp(last.virtualAddress + std::max(last.virtualSize, last.rawSize), test::kSectionAlignment));
        for (const PeSection& s : after.sections) {
            EXPECT_EQ(s.rawPointer % test::kFileAlignment, 0u) << s.name;
            EXPECT_EQ(s.virtualAddress % test::kSectionAlignment, 0u) << s.name;
        }
        uint32_t initialized = 0;
        for (size_t i = 1; i < after.sections.size(); ++i) initialized += after.sections[i].rawSize;
        EXPECT_EQ(headerField(after, sizeOfInitializedDataOffset(after)), initialized);
        EXPECT_EQ(headerField(after, checksumOffset(after)), peChecksum(after.file, checksumOffset(after)));
        EXPECT_EQ(headerField(after, after.fileHeaderOffset + 4), 0x12345678u) << "time stamp kept";

        const uint32_t symbolsAt = headerField(after, after.fileHeaderOffset + 8);
        if (c.options.withSymbols) {
            ASSERT_EQ(symbolsAt, after.endOfSectionData());
            const uint32_t oldAt = headerField(before, before.fileHeaderOffset + 8);
            EXPECT_EQ(Bytes(after.file.begin() + symbolsAt, after.file.end()),
                      Bytes(before.file.begin() + oldAt, before.file.end()));
        } else {
            EXPECT_EQ(symbolsAt, 0u);
            EXPECT_EQ(after.file.size(), after.endOfSectionData());
        }
    }
}

TEST(PeResources, SameTableGivesSameBytesWhateverItsOrder) {
    ResourceTable table = withNamedAndLargeEntries();
    ResourceTable reversed(table.rbegin(), table.rend());
    EXPECT_EQ(buildResourceSection(table, 0x5000), buildResourceSection(reversed, 0x5000));
}

TEST(PeResources, OverlayIsDroppedAndReappendedWithAFreshChecksum) {
    SyntheticOptions options;
    options.overlay = Bytes(100, 0x77);
    const PeImage image = parsed(syntheticPe(launcherLikeResources(), options));
    Bytes out;
    std::string error;
    ASSERT_TRUE(writeWithResources(image, launcherLikeResources(), out, error)) << error;
    EXPECT_EQ(out.size() + 100, image.file.size());
    const Bytes tail = {1, 2, 3};
    const PeImage withTail = parsed(withOverlay(out, tail, checksumOffset(image)));
    EXPECT_EQ(Bytes(withTail.file.end() - 3, withTail.file.end()), tail);
    EXPECT_EQ(headerField(withTail, checksumOffset(withTail)),
              peChecksum(withTail.file, checksumOffset(withTail)));
}

TEST(PeResources, TightHeadersGrowToTakeTheNewSectionHeader) {
    SyntheticOptions options;
    options.resourcesLast = false;
    options.withSymbols = true;
    options.headersSize = 0x200;  // ends right after the section table, the first section follows
    const PeImage before = parsed(syntheticPe(launcherLikeResources(), options));
    ASSERT_EQ(sectionHeaderOffset(before, 3), 0x200u);
    ResourceTable bigger = launcherLikeResources();
    bigger.push_back(makeResource(kTypeRcData, 8000, 0, Bytes(0x3000, 1)));

    Bytes out;
    std::string error;
    ASSERT_TRUE(writeWithResources(before, bigger, out, error)) << error;
    const PeImage after = parsed(out);
    EXPECT_EQ(after.sizeOfHeaders, 0x400u);
    EXPECT_EQ(after.sections[0].rawPointer, 0x400u) << "raw data moved by one alignment unit";
    EXPECT_EQ(resourcesOf(after), test::sorted(bigger));
    for (const char* kept : {".text", ".reloc"}) {
        EXPECT_EQ(sectionBytes(after, kept), sectionBytes(before, kept)) << kept;
    }
    const uint32_t oldSymbols = headerField(before, before.fileHeaderOffset + 8);
    const uint32_t newSymbols = headerField(after, after.fileHeaderOffset + 8);
    EXPECT_EQ(Bytes(after.file.begin() + newSymbols, after.file.end()),
              Bytes(before.file.begin() + oldSymbols, before.file.end()));
    EXPECT_EQ(headerField(after, checksumOffset(after)), peChecksum(after.file, checksumOffset(after)));
}

TEST(PeImage, RefusesWhatIsNotAnAcceptablePe) {
    const Bytes good = syntheticPe(launcherLikeResources());
    const PeImage image = parsed(good);
    const auto patched = [&](size_t offset, uint16_t value) {
        Bytes b = good;
        putU16(b, offset, value);
        return b;
    };
    Bytes arm64WithPe32 = syntheticPe(launcherLikeResources(), test::forMachine(kMachineI386));
    putU16(arm64WithPe32, image.fileHeaderOffset, kMachineArm64);
    struct Case {
        const char* name;
        Bytes file;
        bool allowI386;
        const char* message;
    };
    const Case cases[] = {
        {"text file", Bytes(200, 'x'), false, "not a PE file"},
        {"empty file", {}, false, "not a PE file"},
        {"MZ but no PE signature", patched(0x80, 0x4550 + 1), false, "no PE signature"},
        {"ARM (32-bit)", patched(image.fileHeaderOffset, 0x1C4), true, "wrong machine type 0x1C4"},
        {"ARM64 with a 32-bit optional header", arm64WithPe32, true, "inconsistent PE file"},
        {"I386 not allowed", syntheticPe(launcherLikeResources(), test::forMachine(kMachineI386)), false,
         "wrong machine type 0x14C"},
        {"headers cut", Bytes(good.begin(), good.begin() + 0x100), false, "truncated"},
        {"section data cut", Bytes(good.begin(), good.end() - 0x100), false,
         "truncated PE file: section .rsrc"},
        {"bad optional magic", patched(image.optionalHeaderOffset, 0x999), false, "optional header magic"},
    };
    for (const Case& c : cases) {
        PeImage out;
        std::string error;
        PeAcceptance acceptance;
        acceptance.allowI386 = c.allowI386;
        EXPECT_FALSE(parsePeImage(c.file, acceptance, out, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
}

TEST(PeImage, AcceptsBothSixtyFourBitMachinesAndAskedForI386) {
    const struct {
        uint16_t machine;
        bool allowI386;
        const char* name;
    } cases[] = {
        {kMachineAmd64, false, "AMD64"}, {kMachineArm64, false, "ARM64"}, {kMachineI386, true, "I386"}};
    for (const auto& c : cases) {
        PeImage image;
        std::string error;
        EXPECT_TRUE(parsePeImage(syntheticPe(launcherLikeResources(), test::forMachine(c.machine)),
                                 PeAcceptance{c.allowI386}, image, error))
            << c.name << ": " << error;
        EXPECT_EQ(image.machine, c.machine);
        EXPECT_EQ(machineName(image.machine), c.name);
    }
    EXPECT_EQ(machineName(0x1C4), "0x1C4");
}

TEST(PeResources, ALoopInTheDirectoryIsReportedNotFollowed) {
    ResourceTable one = {makeResource(kTypeRcData, 1, 0, {1})};
    Bytes file = syntheticPe(one);
    const PeImage image = parsed(file);
    const PeSection& rsrc = image.sections[1];
    // The root's only entry points back at the root as a subdirectory.
    putU32(file, rsrc.rawPointer + 16 + 4, 0x80000000u);
    ResourceTable table;
    std::string error;
    EXPECT_FALSE(readResources(parsed(file), table, error));
    EXPECT_NE(error.find("corrupt resources"), std::string::npos) << error;
}

}  // namespace
}  // namespace qxpack
