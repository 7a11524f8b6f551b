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
