// The enciphered settings resources: RT_RCDATA 9000 carries the pass phrase under a key from the
// Upgrade Code, RT_RCDATA 8000 the INI text under a key from that pass phrase. Both keys are derived
// the way the launcher's CryptoAPI base provider derives them, so the launcher deciphers them alike.
#pragma once

#include <string>

#include "core/byte_io.h"

namespace qxpack {

constexpr uint16_t kSettingsTextResource = 8000;
constexpr uint16_t kPassPhraseResource = 9000;

// The RC4 key the base provider derives from MD5 of `passPhrase` with CALG_RC4 and flags 0: a 40-bit
// key padded with 11 zero bytes of salt, 16 bytes in all.
Bytes deriveSettingsKey(const std::string& passPhrase);

Bytes encipherWithPassPhrase(const std::string& passPhrase, const Bytes& content);

struct SettingsResources {
    Bytes passPhrase;    // RT_RCDATA 9000
    Bytes settingsText;  // RT_RCDATA 8000
};

// `passPhrase` and `upgradeCode` are taken as bytes (the launcher converts them to ANSI; packages
// keep them ASCII). `iniText` is UTF-16 and gets CR LF line ends.
SettingsResources encipherSettings(const std::string& upgradeCode, const std::string& passPhrase,
                                   const std::u16string& iniText);

// The embedded INI text as the launcher would read it; meaningless when `upgradeCode` is not the one
// the resources were made for.
std::u16string decipherSettings(const std::string& upgradeCode, const SettingsResources& resources);

// 32 hexadecimal digits from the operating system's random source.
std::string randomPassPhrase();

}  // namespace qxpack
