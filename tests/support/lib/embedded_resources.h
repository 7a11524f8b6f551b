// Test helpers that package embedded settings the way the packaging tool does: RC4 under the key the
// base provider derives from a pass phrase, written as RT_RCDATA into a copy of an executable.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "support/lib/test_env.h"

namespace qxtest {

using Bytes = std::vector<uint8_t>;

inline Bytes utf16le(const std::wstring& text) {
    Bytes bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

// `data` enciphered by the base provider with the RC4 key it derives from the MD5 of `passPhrase`.
inline Bytes providerEncipher(const std::string& passPhrase, Bytes data) {
    HCRYPTPROV rawProvider = 0;
    if (!CryptAcquireContextW(&rawProvider, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return {};
    const qx::UniqueCryptProvider provider(rawProvider);
    HCRYPTHASH rawHash = 0;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, &rawHash)) return {};
    const qx::UniqueCryptHash hash(rawHash);
    CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(passPhrase.data()),
                  static_cast<DWORD>(passPhrase.size()), 0);
    HCRYPTKEY rawKey = 0;
    if (!CryptDeriveKey(provider.get(), CALG_RC4, hash.get(), 0, &rawKey)) return {};
    const qx::UniqueCryptKey key(rawKey);
    DWORD length = static_cast<DWORD>(data.size());
    if (!data.empty() && !CryptEncrypt(key.get(), 0, TRUE, 0, data.data(), &length, length)) return {};
    return data;
}

// Copies `from` to `to` and adds the given RT_RCDATA 9000 and 8000 contents (already enciphered),
// language neutral. True when the copy carries them.
inline bool copyWithResources(const std::wstring& from, const std::wstring& to,
                              const std::optional<Bytes>& res9000, const std::optional<Bytes>& res8000) {
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    qx::Scoped<qx::UpdateResourceTraits> update(BeginUpdateResourceW(to.c_str(), FALSE));
    if (!update) return false;
    const auto add = [&](unsigned id, const std::optional<Bytes>& content) {
        if (!content) return true;
        Bytes data = *content;
        return UpdateResourceW(update.get(), RT_RCDATA, MAKEINTRESOURCEW(id),
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), data.data(),
                               static_cast<DWORD>(data.size())) != 0;
    };
    if (!add(9000, res9000) || !add(8000, res8000)) return false;
    return EndUpdateResourceW(update.release(), FALSE) != 0;
}

// Packages `text` for `upgradeCode` the packaging tool's way, through the pass phrase `passPhrase`.
inline bool copyWithSettings(const std::wstring& from, const std::wstring& to, const std::string& upgradeCode,
                             const std::wstring& passPhrase, const std::wstring& text) {
    std::string passBytes(passPhrase.begin(), passPhrase.end());  // ASCII pass phrases only
    return copyWithResources(from, to, providerEncipher(upgradeCode, utf16le(passPhrase)),
                             providerEncipher(passBytes, utf16le(text)));
}

}  // namespace qxtest
