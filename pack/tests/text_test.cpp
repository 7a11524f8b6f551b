#include <gtest/gtest.h>

#include "core/text_codec.h"

namespace qxpack {
namespace {

TEST(TextFiles, KeepTheirEncodingAndByteOrderMarkThroughDecodeAndEncode) {
    const struct {
        const char* name;
        Bytes file;
        std::u16string text;
        TextEncoding encoding;
    } cases[] = {
        {"ASCII", {'a', '=', '1'}, u"a=1", TextEncoding::Utf8},
        {"UTF-8 with mark", {0xEF, 0xBB, 0xBF, 'x', 0xC3, 0xA9}, u"x\u00e9", TextEncoding::Utf8},
        {"UTF-8 beyond the BMP", {0xF0, 0x9F, 0x98, 0x80}, u"\U0001F600", TextEncoding::Utf8},
        {"UTF-16 with mark", {0xFF, 0xFE, 'k', 0, 0xE9, 0}, u"k\u00e9", TextEncoding::Utf16Le},
    };
    for (const auto& c : cases) {
        const DecodedText decoded = decodeTextFile(c.file);
        EXPECT_EQ(decoded.text, c.text) << c.name;
        EXPECT_EQ(decoded.encoding, c.encoding) << c.name;
        EXPECT_EQ(encodeTextFile(decoded), c.file) << c.name;
    }
}

TEST(TextFiles, EveryLineEndBecomesCrLf) {
    EXPECT_EQ(withCrLf(u"a\nb\r\nc\rd\r\n\n"), u"a\r\nb\r\nc\r\nd\r\n\r\n");
}

TEST(Utf16Le, DropsAnOddLastByteLikeTheLauncher) {
    EXPECT_EQ(fromUtf16Le({'A', 0, 'B', 0, 'C'}), u"AB");
    EXPECT_EQ(toUtf16Le(u"A\u20ac"), (Bytes{'A', 0, 0xAC, 0x20}));
}

}  // namespace
}  // namespace qxpack
