#include <gtest/gtest.h>

#include "core/zip_archive.h"
#include "test_files.h"

namespace qxpack {
namespace {

Bytes withComment(Bytes zip, const std::string& comment) {
    putU16(zip, zip.size() - 2, static_cast<uint16_t>(comment.size()));
    zip.insert(zip.end(), comment.begin(), comment.end());
    return zip;
}

TEST(ZipSummary, FindsTheArchiveBehindAPrefixAndBeforeAComment) {
    const Bytes zip = test::zipFile({{"a.txt", "A"}, {"b/c.txt", "BC"}, {"d", ""}});
    Bytes prefixed(4096, 0x90);
    appendBytes(prefixed, zip);
    // A stray end record inside the comment must not be taken for the real one.
    const std::string trap = std::string("PK\x05\x06", 4) + std::string(18, '\0') + " and more comment";
    const struct {
        const char* name;
        Bytes data;
        size_t start;
    } cases[] = {
        {"plain", zip, 0},
        {"behind an executable", prefixed, 4096},
        {"with a comment", withComment(zip, "built by qxpack"), 0},
        {"with a comment holding an end signature", withComment(zip, trap), 0},
    };
    for (const auto& c : cases) {
        ZipSummary summary;
        std::string error;
        ASSERT_TRUE(readZipSummary(c.data, summary, error)) << c.name << ": " << error;
        EXPECT_EQ(summary.entryCount, 3u) << c.name;
        EXPECT_EQ(summary.archiveStart, c.start) << c.name;
    }
}

// `zip` with the ZIP64 end record and locator the JDK's jar tool writes from 65,535 entries on, and
// the end record's count set to the ZIP64 marker.
Bytes withZip64Records(const Bytes& zip) {
    const size_t end = zip.size() - 22;
    const size_t count = static_cast<size_t>(zip[end + 10] | zip[end + 11] << 8);
    Bytes records = {'P', 'K', 6, 6};
    const auto append64 = [&records](uint64_t value) {
        for (int i = 0; i < 8; ++i) records.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    const uint32_t directorySize = ByteReader(zip).u32(end + 12),
                   directoryOffset = ByteReader(zip).u32(end + 16);
    append64(44);
    appendBytes(records, Bytes{45, 0, 45, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    append64(count);
    append64(count);
    append64(directorySize);
    append64(directoryOffset);
    appendBytes(records, Bytes{'P', 'K', 6, 7, 0, 0, 0, 0});
    append64(end);
    appendBytes(records, Bytes{1, 0, 0, 0});
    Bytes out(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(end));
    appendBytes(out, records);
    out.insert(out.end(), zip.begin() + static_cast<std::ptrdiff_t>(end), zip.end());
    putU16(out, out.size() - 22 + 8, 0xFFFF);
    putU16(out, out.size() - 22 + 10, 0xFFFF);
    return out;
}

// Java's reader takes the ZIP64 locator's offset from the file's start: an appended jar's locator is
// moved by where the jar lands, and only then is the archive found behind the executable.
TEST(ZipSummary, AZip64JarIsFoundAndPlacedBehindAnExecutable) {
    const Bytes zip64 = withZip64Records(test::zipFile({{"a.txt", "A"}, {"b/c.txt", "BC"}, {"d", ""}}));
    ZipSummary alone;
    std::string error;
    ASSERT_TRUE(readZipSummary(zip64, alone, error)) << error;
    EXPECT_EQ(alone.entryCount, 3u);
    ASSERT_TRUE(alone.zip64LocatorOffset);

    Bytes placed(4096, 0x90), unplaced(4096, 0x90);
    appendBytes(placed, zipPlacedAt(zip64, alone, 4096));
    appendBytes(unplaced, zip64);
    ZipSummary behind;
    ASSERT_TRUE(readZipSummary(placed, behind, error)) << error;
    EXPECT_EQ(behind.entryCount, 3u);
    EXPECT_EQ(behind.archiveStart, 4096u);
    EXPECT_FALSE(readZipSummary(unplaced, behind, error));

    const Bytes plain = test::zipFile({{"a.txt", "A"}});
    ZipSummary summary;
    ASSERT_TRUE(readZipSummary(plain, summary, error)) << error;
    EXPECT_FALSE(summary.zip64LocatorOffset);
    EXPECT_EQ(zipPlacedAt(plain, summary, 4096), plain);
}

TEST(ZipSummary, RefusesDataWithoutAnEndRecord) {
    const Bytes zip = test::zipFile({{"a.txt", "A"}});
    const Bytes cases[] = {{}, test::textBytes("PK\x03\x04 not a zip"), Bytes(zip.begin(), zip.end() - 22)};
    for (const Bytes& data : cases) {
        ZipSummary summary;
        std::string error;
        EXPECT_FALSE(readZipSummary(data, summary, error)) << data.size() << " bytes";
        EXPECT_EQ(error, "not a ZIP archive: no end-of-central-directory record");
    }
}

}  // namespace
}  // namespace qxpack
