#include <gtest/gtest.h>

#include <cstdio>

#include "config/md5.h"
#include "config/rc4.h"
#include "core/text_codec.h"
#include "settings/settings_cipher.h"

namespace qxpack {

using qx::md5;
using qx::Md5Digest;
using qx::rc4;
namespace {

std::string hex(const uint8_t* data, size_t size) {
    std::string out;
    char digits[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        out += digits;
    }
    return out;
}

std::string hex(const Bytes& b) { return hex(b.data(), b.size()); }

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(Md5, MatchesTheRfc1321TestSuite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, digest] : cases) {
        const Md5Digest d = md5(input);
        EXPECT_EQ(hex(d.data(), d.size()), digest) << "input \"" << input << "\"";
    }
}

TEST(Md5, PadsCorrectlyAroundTheBlockBoundary) {
    // 55, 56 and 64 bytes: the length field fits the last block, needs a new one, or follows a full one.
    const std::pair<size_t, std::string> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {64, "014842d480b571495a4a0363793f7367"},
    };
    for (const auto& [length, digest] : cases) {
        const Md5Digest d = md5(std::string(length, 'a'));
        EXPECT_EQ(hex(d.data(), d.size()), digest) << length << " bytes";
    }
}

TEST(Rc4, MatchesPublishedVectors) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Key", "Plaintext", "bbf316e8d940af0ad3"},
        {"Wiki", "pedia", "1021bf0420"},
        {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
    };
    for (const auto& [key, plain, cipher] : cases) {
        EXPECT_EQ(hex(rc4(bytesOf(key), bytesOf(plain))), cipher) << "key " << key;
        EXPECT_EQ(rc4(bytesOf(key), rc4(bytesOf(key), bytesOf(plain))), bytesOf(plain));
    }
}

TEST(SettingsKey, IsFortyBitsOfTheMd5FollowedByElevenZeroBytes) {
    EXPECT_EQ(hex(deriveSettingsKey("")), "d41d8cd98f0000000000000000000000");
    EXPECT_EQ(hex(deriveSettingsKey("abc")),
              "900150983c"
              "0000000000000000000000");
}

TEST(SettingsCipher, TextDeciphersWithItsUpgradeCodeOnly) {
    const std::u16string text = u"[Java Runtime Environment]\nMain Class=demo.Main\n";
    const SettingsResources res = encipherSettings("{UPGRADE-CODE}", "PASS1234", text);
    EXPECT_EQ(decipherSettings("{UPGRADE-CODE}", res),
              u"[Java Runtime Environment]\r\nMain Class=demo.Main\r\n");
    EXPECT_NE(decipherSettings("{OTHER-CODE}", res), decipherSettings("{UPGRADE-CODE}", res));
    // RC4 keeps lengths: the pass phrase and the text, two bytes per UTF-16 unit, CR LF included.
    EXPECT_EQ(res.passPhrase.size(), 16u);
    EXPECT_EQ(res.settingsText.size(), 2 * withCrLf(text).size());
}

TEST(SettingsCipher, PassPhraseResourceIsTheUtf16PhraseUnderTheUpgradeCodeKey) {
    const SettingsResources res = encipherSettings("code", "xyz", u"");
    EXPECT_EQ(rc4(deriveSettingsKey("code"), res.passPhrase), toUtf16Le(u"xyz"));
    EXPECT_TRUE(res.settingsText.empty());
}

TEST(SettingsCipher, RandomPassPhrasesDifferAndAreHex) {
    const std::string a = randomPassPhrase();
    const std::string b = randomPassPhrase();
    EXPECT_NE(a, b);
    ASSERT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

}  // namespace
}  // namespace qxpack
