#include "settings/settings_cipher.h"

#include <random>

#include "config/rc4.h"
#include "config/settings_key.h"
#include "core/text_codec.h"

namespace qxpack {

using qx::rc4;

namespace {

std::string narrow(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) bytes.push_back(static_cast<char>(c & 0xFF));
    return bytes;
}

}  // namespace

Bytes deriveSettingsKey(const std::string& passPhrase) { return qx::settingsKey(passPhrase); }

Bytes encipherWithPassPhrase(const std::string& passPhrase, const Bytes& content) {
    return rc4(deriveSettingsKey(passPhrase), content);
}

SettingsResources encipherSettings(const std::string& upgradeCode, const std::string& passPhrase,
                                   const std::u16string& iniText) {
    SettingsResources resources;
    resources.passPhrase = encipherWithPassPhrase(upgradeCode, toUtf16Le(fromAscii(passPhrase)));
    resources.settingsText = encipherWithPassPhrase(passPhrase, toUtf16Le(withCrLf(iniText)));
    return resources;
}

std::u16string decipherSettings(const std::string& upgradeCode, const SettingsResources& resources) {
    const std::u16string passPhrase = fromUtf16Le(encipherWithPassPhrase(upgradeCode, resources.passPhrase));
    return fromUtf16Le(encipherWithPassPhrase(narrow(passPhrase), resources.settingsText));
}

std::string randomPassPhrase() {
    std::random_device source;
    static const char kDigits[] = "0123456789ABCDEF";
    std::string phrase;
    for (int i = 0; i < 8; ++i) {
        const uint32_t word = source();
        for (int nibble = 0; nibble < 4; ++nibble) phrase.push_back(kDigits[(word >> (4 * nibble)) & 0xF]);
    }
    return phrase;
}

}  // namespace qxpack
