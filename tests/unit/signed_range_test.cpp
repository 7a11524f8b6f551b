// The signed-range rule over synthetic signed files: PE headers, a jar, a certificate table. The real
// signatures (osslsigncode's, nested, time-stamped) and the ways to hide a jar in them are the
// end-to-end table's (tests/e2e/signature_test.cpp); here are the edges of the rule itself.
#include <gtest/gtest.h>

#include <string>

#include "support/lib/test_env.h"
#include "support/lib/zip_builder.h"
#include "vm/signed_range.h"

namespace qx {
namespace {

using qxtest::le;

constexpr size_t kHeaders = 512;
constexpr size_t kSecurityEntry = 0x80 + 24 + 112 + 4 * 8;  // PE32+: the fifth data directory

// A PE32+ image's headers and nothing else, padded to 512 bytes.
std::string headers() {
    std::string h(kHeaders, '\0');
    h[0] = 'M';
    h[1] = 'Z';
    qxtest::putLe(h, 0x3C, 0x80, 4);
    h.replace(0x80, 4, std::string("PE\0\0", 4));
    qxtest::putLe(h, 0x84, 0x8664, 2);
    qxtest::putLe(h, 0x80 + 4 + 16, 240, 2);  // optional header size
    qxtest::putLe(h, 0x98, 0x20B, 2);
    qxtest::putLe(h, 0x98 + 108, 16, 4);  // data directories
    return h;
}

// A DER SEQUENCE holding `inside` as an OCTET STRING, as an unauthenticated attribute holds its value.
std::string sequence(const std::string& inside) {
    const auto length = [](size_t n) {
        const std::string low(1, static_cast<char>(n & 0xFF));
        return n < 0x80    ? low
               : n < 0x100 ? "\x81" + low
                           : "\x82" + std::string(1, static_cast<char>(n >> 8)) + low;
    };
    const std::string octets = "\x04" + length(inside.size()) + inside;
    return "\x30" + length(octets.size()) + octets;
}

// One WIN_CERTIFICATE: its length the content's rounded up to 8, zero padding.
std::string certificate(const std::string& content, uint16_t type = 2) {
    const std::string padding((8 - content.size() % 8) % 8, '\0');
    return le(8 + content.size() + padding.size(), 4) + le(0x0200, 2) + le(type, 2) + content + padding;
}

// headers + body + table, the Security directory naming the table (or `size` bytes of it).
std::string signedFile(const std::string& body, const std::string& table, size_t trailer = 0,
                       int64_t sizeChange = 0) {
    std::string file = headers() + body;
    file += std::string((8 - file.size() % 8) % 8, '\0');
    qxtest::putLe(file, kSecurityEntry, file.size(), 4);
    qxtest::putLe(file, kSecurityEntry + 4,
                  static_cast<uint64_t>(static_cast<int64_t>(table.size()) + sizeChange), 4);
    return file + table + std::string(trailer, '\0');
}

SignedRangeCheck judge(const std::string& file, unsigned* reads = nullptr) {
    return checkSignedRange(file.size(), [&file, reads](uint64_t offset, size_t count, std::string& bytes) {
        if (reads) ++*reads;
        if (offset > file.size() || count > file.size() - offset) return false;
        bytes = file.substr(static_cast<size_t>(offset), count);
        return true;
    });
}

TEST(SignedRange, TheTableAndTheArchiveJavaOpensAreJudgedByTheirRules) {
    const std::string jar = qxtest::zipArchive({{{"qx/App.class", "GOOD"}}});
    const std::string evil = qxtest::zipArchive({{{"qx/App.class", "EVIL"}}});
    const std::string signature = sequence(std::string(1400, 'S'));
    // A stray signature inside the DER content that Java's checks throw out: no comment reaching the
    // end, no directory where it points.
    const std::string stray = sequence(std::string(300, 'S') + "PK\x05\x06" + std::string(18, '\0') + "tail");
    std::string badPadding = certificate(sequence(std::string(13, 'S')));
    badPadding.back() = 'x';
    std::string indefinite = certificate(sequence(std::string(100, 'S')));
    indefinite[9] = '\x80';
    // A comment that reaches the file's end (over the certificate's 6 bytes of padding), so Java takes
    // the record unproven.
    const std::string endsFile = "PK\x05\x06" + le(0, 8) + le(0, 4) + le(0, 4) + le(6, 2);
    const struct {
        const char* what;
        std::string file;
        SignedRange verdict;
        const char* finding;
    } rows[] = {
        {"unsigned", headers() + jar, SignedRange::Unsigned, "no certificate table"},
        {"signed", signedFile(jar, certificate(signature)), SignedRange::Covered, "lies before it"},
        {"signed, no jar", signedFile("", certificate(signature)), SignedRange::Covered, "opens no archive"},
        {"two certificates", signedFile(jar, certificate(signature) + certificate(sequence("second"))),
         SignedRange::Covered, "lies before it"},
        {"an end signature Java passes over", signedFile(jar, certificate(stray)), SignedRange::Covered,
         "lies before it"},
        {"bytes after the table", signedFile(jar, certificate(signature), 8), SignedRange::Changed,
         "does not end the file"},
        {"the table named shorter than it is", signedFile(jar, certificate(signature), 0, -8),
         SignedRange::Changed, "does not end the file"},
        {"a jar after the content, inside the length",
         signedFile(jar, le(8 + signature.size() + evil.size() + 3, 4) + le(0x0200, 2) + le(2, 2) +
                             signature + evil + std::string(3, '\0')),
         SignedRange::Changed, "rounded up to 8"},
        {"a byte other than zero in the padding", signedFile(jar, badPadding), SignedRange::Changed,
         "other than zero in its padding"},
        {"content that is not DER", signedFile(jar, indefinite), SignedRange::Changed, "not one DER-encoded"},
        {"a certificate that is not PKCS#7", signedFile(jar, certificate(signature, 1)), SignedRange::Changed,
         "not a PKCS#7 signature"},
        {"a length past the table", signedFile(jar, le(4096, 4) + le(0x0200, 2) + le(2, 2) + signature),
         SignedRange::Changed, "does not fit the table"},
        {"a jar in the DER content", signedFile(jar, certificate(sequence(evil))), SignedRange::Changed,
         "would be taken by Java's zip reader"},
        {"an end record whose comment ends the file", signedFile(jar, certificate(sequence(endsFile))),
         SignedRange::Changed, "would be taken by Java's zip reader"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const SignedRangeCheck check = judge(row.file);
        EXPECT_EQ(check.verdict, row.verdict);
        EXPECT_NE(check.finding.find(qxtest::widen(row.finding)), std::wstring::npos)
            << qxtest::narrow(check.finding);
    }
}

// A signer's jar whose ZIP64 locator names a place inside the certificate table: the ZIP64 record put
// there would give Java its directory, so it is refused although the end record itself was signed.
TEST(SignedRange, AZip64RecordInsideTheTableIsRefused) {
    const std::string plain = qxtest::zipArchive({{{"a", "A"}}});
    const size_t locals = 32, directory = 47;  // one stored entry "a" of one byte
    const std::string record = "PK\x06\x06" + le(44, 8) + le(45, 2) + le(45, 2) + le(0, 8) + le(1, 8) +
                               le(1, 8) + le(directory + 20, 8) + le(locals, 8);
    const std::string table = certificate(sequence(record + std::string(64, 'S')));
    const size_t tableAt = kHeaders + 128;  // the body below takes 121 bytes, padded to 128
    const std::string body = plain.substr(0, locals + directory) + "PK\x06\x07" + le(0, 4) +
                             le(tableAt + table.find(record), 8) + le(1, 4) + "PK\x05\x06" + le(0, 4) +
                             le(0xFFFF, 2) + le(0xFFFF, 2) + le(directory + 20, 4) + le(locals, 4) + le(0, 2);
    ASSERT_EQ(body.size(), 121u);
    const SignedRangeCheck check = judge(signedFile(body, table));
    EXPECT_EQ(check.verdict, SignedRange::Changed) << qxtest::narrow(check.finding);
    EXPECT_NE(check.finding.find(L"ZIP64 end record at " + std::to_wstring(tableAt + table.find(record))),
              std::wstring::npos)
        << qxtest::narrow(check.finding);
}

// Fake end records in the table that point outside the bytes held cost reads until the allowance is
// spent; then the file cannot be judged, and the reads stay bounded.
TEST(SignedRange, FakeEndRecordsCostBoundedReads) {
    std::string fakes;
    for (int i = 0; i < 2000; ++i) fakes += "PK\x05\x06" + le(0, 8) + le(100000, 4) + le(0, 4) + le(1, 2);
    const std::string file = signedFile(std::string(200000, 'x') + qxtest::zipArchive({{{"a", "A"}}}),
                                        certificate(sequence(fakes)));
    unsigned reads = 0;
    const SignedRangeCheck check = judge(file, &reads);
    EXPECT_EQ(check.verdict, SignedRange::Unreadable) << qxtest::narrow(check.finding);
    EXPECT_LE(reads, 2 + kZipSearchReads);
}

}  // namespace
}  // namespace qx
