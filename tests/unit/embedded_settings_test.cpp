// The enciphered settings text in the executable's resources: key derivation pinned against the
// portable MD5 and RC4 (the packaging tool's), and packaged copies of this very program as the carriers.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/scoped.h"
#include "config/embedded_settings.h"
#include "config/md5.h"
#include "config/rc4.h"
#include "config/ini_text_store.h"
#include "support/lib/embedded_resources.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using qxtest::Bytes;

// The base provider's default RC4 key: 40 bits of the MD5, then 11 zero bytes of salt, made with the
// portable MD5 and RC4 the packaging tool uses, so the provider's derivation is checked against them.
Bytes independentEncipher(const std::string& passPhrase, const Bytes& data) {
    const Md5Digest digest = md5(passPhrase);
    Bytes key(digest.begin(), digest.begin() + 5);
    key.resize(16, 0);
    return rc4(key, data);
}

std::string hex(const Bytes& bytes) {
    std::string text;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text;
}

TEST(EmbeddedSettingsKey, ProviderKeyIsFortyBitsOfTheMd5WithZeroSalt) {
    EXPECT_EQ(hex(qxtest::providerEncipher("abc", Bytes(8, 0))), "7cd2e8eb6b58c5d6");
    EXPECT_EQ(hex(independentEncipher("abc", Bytes(8, 0))), "7cd2e8eb6b58c5d6");

    Bytes data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    for (const std::string& passPhrase :
         {std::string(), std::string("{8F3C2A10-7D1E-4B8A-9C2F-0123456789AB}"), std::string(1000, 'p')}) {
        EXPECT_EQ(hex(qxtest::providerEncipher(passPhrase, data)), hex(independentEncipher(passPhrase, data)))
            << "pass phrase of " << passPhrase.size() << " bytes";
    }
}

class EmbeddedSettings : public ::testing::Test {
protected:
    void SetUp() override { dir_ = qxtest::scratchDir(L"EmbeddedSettings"); }

    // A packaged copy of this program, loaded for its resources only.
    UniqueModule load(const std::wstring& name) {
        return UniqueModule(LoadLibraryExW((dir_ + L"\\" + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }
    std::wstring at(const std::wstring& name) const { return dir_ + L"\\" + name; }

    std::wstring dir_;
};

constexpr char kUpgradeCode[] = "{5A1B2C3D-0000-4000-8000-00000000ABCD}";
const std::wstring kPassPhrase = L"second pass phrase 42";
const std::wstring kText =
    L"\xFEFF[Java Runtime Environment]\r\nMain Class=com.example.App\r\n[Application]\r\nCmd=--embedded\r\n";

std::wstring mainClassOf(const std::wstring& text) {
    IniTextStore store;
    store.parseText(text);
    std::wstring value;
    store.getValue(L"Java Runtime Environment", L"Main Class", value);
    return value;
}

TEST_F(EmbeddedSettings, DecipheredWithTheUpgradeCodeItWasMadeFor) {
    ASSERT_TRUE(
        qxtest::copyWithSettings(qxtest::ownExecutable(), at(L"app.exe"), kUpgradeCode, kPassPhrase, kText));
    const UniqueModule module = load(L"app.exe");
    ASSERT_TRUE(module);

    EXPECT_EQ(decipherResource(kPassPhraseResource, kUpgradeCode, module.get()),
              qxtest::utf16le(kPassPhrase));
    const std::wstring text =
        loadEmbeddedSettingsText(L"{5A1B2C3D-0000-4000-8000-00000000ABCD}", module.get());
    EXPECT_TRUE(text == kText);
    EXPECT_EQ(mainClassOf(text), L"com.example.App");

    const std::wstring other =
        loadEmbeddedSettingsText(L"{5A1B2C3D-0000-4000-8000-00000000ABCE}", module.get());
    EXPECT_EQ(other.size(), kText.size());
    EXPECT_FALSE(other == kText);
    EXPECT_EQ(mainClassOf(other), L"");
    EXPECT_EQ(mainClassOf(loadEmbeddedSettingsText(L"", module.get())), L"");
}

TEST_F(EmbeddedSettings, MissingResourcesGiveNoText) {
    EXPECT_EQ(loadEmbeddedSettingsText(L"{5A1B2C3D-0000-4000-8000-00000000ABCD}"), L"");
    EXPECT_TRUE(decipherResource(kSettingsTextResource, kUpgradeCode).empty());

    ASSERT_TRUE(qxtest::copyWithResources(
        qxtest::ownExecutable(), at(L"only9000.exe"),
        qxtest::providerEncipher(kUpgradeCode, qxtest::utf16le(kPassPhrase)), std::nullopt));
    const UniqueModule only9000 = load(L"only9000.exe");
    ASSERT_TRUE(only9000);
    EXPECT_EQ(loadEmbeddedSettingsText(L"{5A1B2C3D-0000-4000-8000-00000000ABCD}", only9000.get()), L"");
}

TEST_F(EmbeddedSettings, WithoutResource9000TheTextNeedsAnEmptyPassPhrase) {
    ASSERT_TRUE(qxtest::copyWithResources(qxtest::ownExecutable(), at(L"secret.exe"), std::nullopt,
                                          qxtest::providerEncipher("secret", qxtest::utf16le(kText))));
    ASSERT_TRUE(qxtest::copyWithResources(qxtest::ownExecutable(), at(L"open.exe"), std::nullopt,
                                          qxtest::providerEncipher("", qxtest::utf16le(kText))));
    const UniqueModule secret = load(L"secret.exe"), open = load(L"open.exe");
    ASSERT_TRUE(secret && open);
    EXPECT_EQ(mainClassOf(loadEmbeddedSettingsText(L"any code", secret.get())), L"");
    EXPECT_TRUE(loadEmbeddedSettingsText(L"any code", open.get()) == kText);
}

TEST_F(EmbeddedSettings, AnOddLastByteIsDropped) {
    Bytes odd = qxtest::utf16le(L"[A]\r\nk=v");
    odd.push_back('Z');
    ASSERT_TRUE(
        qxtest::copyWithResources(qxtest::ownExecutable(), at(L"odd.exe"),
                                  qxtest::providerEncipher(kUpgradeCode, qxtest::utf16le(kPassPhrase)),
                                  qxtest::providerEncipher("second pass phrase 42", odd)));
    const UniqueModule module = load(L"odd.exe");
    ASSERT_TRUE(module);
    EXPECT_EQ(decipherResource(kSettingsTextResource, "second pass phrase 42", module.get()), odd);
    EXPECT_EQ(loadEmbeddedSettingsText(L"{5A1B2C3D-0000-4000-8000-00000000ABCD}", module.get()),
              L"[A]\r\nk=v");
}

TEST_F(EmbeddedSettings, AMegabyteOfTextComesBackWhole) {
    std::wstring text = L"[Java Runtime Environment]\r\nMain Class=big.App\r\nVirtual Machine Parameters=";
    while (text.size() < (1u << 19)) text += L"-Dp" + std::to_wstring(text.size()) + L"=\x00E9\x4E2D ";
    text += L"\r\n";
    ASSERT_TRUE(
        qxtest::copyWithSettings(qxtest::ownExecutable(), at(L"big.exe"), kUpgradeCode, kPassPhrase, text));
    const UniqueModule module = load(L"big.exe");
    ASSERT_TRUE(module);
    const std::wstring back =
        loadEmbeddedSettingsText(L"{5A1B2C3D-0000-4000-8000-00000000ABCD}", module.get());
    EXPECT_EQ(back.size(), text.size());
    EXPECT_TRUE(back == text);
    EXPECT_EQ(mainClassOf(back), L"big.App");
}

}  // namespace
}  // namespace qx
