// The settings text carried, enciphered, in the executable's own resources: RT_RCDATA 9000 holds the
// pass phrase of RT_RCDATA 8000 under a key from the Upgrade Code; 8000 holds the UTF-16 INI text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

constexpr unsigned kSettingsTextResource = 8000;
constexpr unsigned kPassPhraseResource = 9000;

// The RT_RCDATA resource `id` of `module` (null = the executable) deciphered with the RC4 key that the
// "Microsoft Base Cryptographic Provider v1.0" derives from the MD5 of `passPhrase` (settings_key.h).
// Empty when the resource is missing; never reports anything.
std::vector<uint8_t> decipherResource(unsigned id, const std::string& passPhrase, HMODULE module = nullptr);

// The embedded INI text for the Upgrade Code `upgradeCode` (passed as ANSI bytes); empty when resource
// 8000 is missing. A wrong Upgrade Code gives meaningless text, which parses to no settings.
std::wstring loadEmbeddedSettingsText(const std::wstring& upgradeCode, HMODULE module = nullptr);

}  // namespace qx
