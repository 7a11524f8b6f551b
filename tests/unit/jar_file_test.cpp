// A jar read through JarFile as the splash screen reads it, over files held in memory so that every
// read it makes is counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "support/lib/test_env.h"
#include "support/lib/zip_builder.h"
#include "vm/jar_file.h"
#include "vm/jar_manifest.h"
#include "vm/zip_layout.h"

namespace qx {
namespace {

// A file of `size` bytes whose last bytes are `tail` and whose other bytes are zero; the reads made
// through it are counted, and a read past `refuseAfter` bytes in all fails without filling anything.
class CountedFile {
public:
    CountedFile(uint64_t size, std::string tail, uint64_t refuseAfter = 256u << 20)
        : size_(size), tail_(std::move(tail)), refuseAfter_(refuseAfter) {}

    ZipReadAt reader() {
        return [this](uint64_t offset, size_t count, std::string& bytes) {
            ++reads_;
            bytesAsked_ += count;
            if (bytesAsked_ > refuseAfter_ || offset > size_ || count > size_ - offset) return false;
            bytes.assign(count, '\0');
            const uint64_t tailStart = size_ - tail_.size();
            const uint64_t from = std::max(offset, tailStart);
            if (from < offset + count)
                bytes.replace(static_cast<size_t>(from - offset), static_cast<size_t>(offset + count - from),
                              tail_, static_cast<size_t>(from - tailStart),
                              static_cast<size_t>(offset + count - from));
            return true;
        };
    }
    uint64_t size() const { return size_; }
    uint64_t reads() const { return reads_; }
    uint64_t bytesAsked() const { return bytesAsked_; }

private:
    uint64_t size_;
    std::string tail_;
    uint64_t refuseAfter_;
    uint64_t reads_ = 0;
    uint64_t bytesAsked_ = 0;
};

void put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// 64 KiB of end records 8 bytes apart, each overlapping the next two: every record names a central
// directory of 60 MiB (the four bytes between two signatures) at the offset that the signature two
// records on spells, and has no comment. Five bytes follow, so no record ends the file.
std::string hostileTail() {
    std::string tail;
    for (int i = 0; i < 8192; ++i) {
        std::string record("PK\x05\x06\0\0\0\0", 8);
        put32(record, 4, 60u << 20);
        tail += record;
    }
    return tail + std::string(5, '\0');
}

// A tail of fake end records costs a bounded number of reads, whatever the records name: the search
// looks at the fixed bytes and the signatures a record points at before it reads any directory.
TEST(JarFile, AHostileTailCostsBoundedReads) {
    CountedFile file(256u << 20, hostileTail());
    JarFile jar;
    EXPECT_FALSE(jar.open(file.size(), file.reader()));
    EXPECT_LE(file.reads(), 100u);
    EXPECT_LE(file.bytesAsked(), 1u << 20);
}

// A real jar read through the same reader: a few reads, and the manifest comes out whole.
TEST(JarFile, ARealJarTakesAFewReads) {
    std::string bytes;
    ASSERT_TRUE(qxtest::readFile(qxtest::testJar(L"splash"), bytes));
    CountedFile file(bytes.size(), bytes);
    JarFile jar;
    ASSERT_TRUE(jar.open(file.size(), file.reader()));
    std::string manifest, image;
    ASSERT_TRUE(jar.read(kManifestEntryName, true, manifest));
    EXPECT_TRUE(manifestMainAttribute(manifest, "SplashScreen-Image", image));
    EXPECT_EQ(image, "images/splash.png");
    EXPECT_LE(file.reads(), 6u);
}

ZipEndSearch search(const std::string& file, ZipEnd& end) {
    const uint64_t held = ZipFileView::searchStart(file.size());
    ZipFileView view(file.size(), held, file.substr(static_cast<size_t>(held)),
                     [&file](uint64_t offset, size_t count, std::string& bytes) {
                         bytes = file.substr(static_cast<size_t>(offset), count);
                         return true;
                     });
    return findZipEnd(view, end);
}

// Which end record Java's reader takes, and what it takes from it, where the rules of java.util.zip
// could be mistaken: each row was tried with Java 17 on the same bytes.
TEST(ZipEnd, TheRecordJavaTakesAndTheDirectoryItNames) {
    using qxtest::le;
    using qxtest::ZipSpec;
    const std::vector<std::pair<std::string, std::string>> entries = {{"a.txt", "A"}, {"b/c.txt", "BC"}};
    const std::string jar = qxtest::zipArchive({entries});
    const std::string prefix(4096, '\x90');
    const size_t end = jar.size() - kZipEndRecordSize;
    const size_t directory = end - (46 + 5) - (46 + 7);
    // A second end record, inside the first one's comment, naming the same directory and first header:
    // it is nearer the file's end, so Java takes it (and then fails on what lies between).
    std::string nearer = jar;
    const std::string inner = "PK\x05\x06" + le(0, 4) + le(2, 2) + le(2, 2) + le(end + 22 - directory, 4) +
                              le(directory, 4) + le(0, 2);
    qxtest::putLe(nearer, end + 20, inner.size() + 4, 2);
    nearer += inner + "tail";
    const std::string zip64 = qxtest::zipArchive({entries, "", true});
    std::string zip64Disagreeing = zip64;
    qxtest::putLe(zip64Disagreeing, zip64.size() - kZipEndRecordSize + 10, 3, 2);
    const struct {
        const char* what;
        std::string file;
        ZipEndSearch result;
        uint64_t recordStart, archiveStart, directoryStart, entryCount;
        bool zip64;
    } rows[] = {
        {"a jar", jar, ZipEndSearch::Found, end, 0, directory, 2, false},
        {"behind an executable", prefix + jar, ZipEndSearch::Found, 4096 + end, 4096, 4096 + directory, 2,
         false},
        {"with a comment", qxtest::zipArchive({entries, "built for the test"}), ZipEndSearch::Found, end, 0,
         directory, 2, false},
        {"followed by a signature", jar + std::string(3000, 'S'), ZipEndSearch::Found, end, 0, directory, 2,
         false},
        {"followed by the most Java looks past", jar + std::string(65614, '\0'), ZipEndSearch::Found, end, 0,
         directory, 2, false},
        {"followed by one byte more", jar + std::string(65615, '\0'), ZipEndSearch::None, 0, 0, 0, 0, false},
        {"a nearer record taken before one whose comment ends the file", nearer, ZipEndSearch::Found,
         end + 22, 0, directory, 2, false},
        {"a record ending the file that names no directory",
         jar + "PK\x05\x06" + le(0, 8) + le(1000000, 4) + le(5, 4) + le(0, 2), ZipEndSearch::Broken,
         jar.size(), 0, 0, 0, false},
        {"a record that proves nothing, then the jar's",
         jar + "PK\x05\x06" + le(0, 8) + le(7, 4) + le(0, 4) + le(0, 2) + "junk", ZipEndSearch::Found, end, 0,
         directory, 2, false},
        {"ZIP64", zip64, ZipEndSearch::Found, zip64.size() - 22, 0, directory, 2, true},
        {"ZIP64 behind an executable, its locator placed",
         prefix + qxtest::zipArchive({entries, "", true, 4096}), ZipEndSearch::Found,
         4096 + zip64.size() - 22, 4096, 4096 + directory, 2, true},
        // The locator's offset is read from the file's start: the ZIP64 record is not found, and the end
        // record's figures put the directory where the ZIP64 records are.
        {"ZIP64 behind an executable, its locator as the jar tool wrote it", prefix + zip64,
         ZipEndSearch::Found, 4096 + zip64.size() - 22, 4096 + 76, 4096 + directory + 76, 0xFFFF, false},
        {"ZIP64 disagreeing with its end record's count", zip64Disagreeing, ZipEndSearch::Found,
         zip64.size() - 22, 76, directory + 76, 3, false},
        // Proven with the end record's figures, which miss the directory by the ZIP64 records' size.
        {"ZIP64 followed by a signature", zip64 + std::string(3000, 'S'), ZipEndSearch::None, 0, 0, 0, 0,
         false},
        {"nothing", std::string(100, 'x'), ZipEndSearch::None, 0, 0, 0, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ZipEnd found;
        ASSERT_EQ(search(row.file, found), row.result);
        if (row.result == ZipEndSearch::None) continue;
        EXPECT_EQ(found.recordStart, row.recordStart);
        if (row.result == ZipEndSearch::Broken) continue;
        EXPECT_EQ(found.archiveStart, row.archiveStart);
        EXPECT_EQ(found.directoryStart, row.directoryStart);
        EXPECT_EQ(found.entryCount, row.entryCount);
        EXPECT_EQ(found.zip64, row.zip64);
    }
}

}  // namespace
}  // namespace qx
