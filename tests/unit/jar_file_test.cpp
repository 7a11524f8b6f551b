// A jar read through JarFile as the splash screen reads it, over files held in memory so that every
// read it makes is counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "support/lib/test_env.h"
#include "vm/jar_file.h"
#include "vm/jar_manifest.h"

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

}  // namespace
}  // namespace qx
