#include "config/embedded_settings.h"

#include <wincrypt.h>

#include "base/ansi.h"
#include "base/scoped.h"

namespace qx {

namespace {

// The launcher's own key container; the deciphering does not depend on its name.
constexpr wchar_t kKeyContainer[] = L"qxlaunch settings";

HRSRC findSettingsResource(HMODULE module, unsigned id) {
    const auto find = [&](WORD language) {
        return FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCEW(id), language);
    };
    const HRSRC neutral = find(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    const LANGID user = GetUserDefaultLangID();
    HRSRC found = find(user);
    if (found == nullptr || found == neutral) {
        const HRSRC primary = find(MAKELANGID(PRIMARYLANGID(user), SUBLANG_DEFAULT));
        if (primary != nullptr) found = primary;
    }
    return found != nullptr ? found : neutral;
}

std::vector<uint8_t> resourceBytes(HMODULE module, unsigned id) {
    const HRSRC resource = findSettingsResource(module, id);
    if (resource == nullptr) return {};
    const HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const auto* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) return {};
    return std::vector<uint8_t>(bytes, bytes + size);
}

UniqueCryptProvider acquireProvider() {
    HCRYPTPROV provider = 0;
    if (CryptAcquireContextW(&provider, kKeyContainer, MS_DEF_PROV_W, PROV_RSA_FULL, 0) ||
        CryptAcquireContextW(&provider, kKeyContainer, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_NEWKEYSET) ||
        CryptAcquireContextW(&provider, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return UniqueCryptProvider(provider);
    }
    return UniqueCryptProvider();
}

std::wstring fromUtf16Le(const std::vector<uint8_t>& bytes) {
    std::wstring text(bytes.size() / 2, L'\0');  // an odd last byte is dropped
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

}  // namespace

std::vector<uint8_t> decipherResource(unsigned id, const std::string& passPhrase, HMODULE module) {
    std::vector<uint8_t> buffer = resourceBytes(module, id);

    const UniqueCryptProvider provider = acquireProvider();
    if (!provider) return {};
    UniqueCryptKey key;
    {
        HCRYPTHASH rawHash = 0;
        if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, &rawHash)) return {};
        const UniqueCryptHash hash(rawHash);
        const auto* data = reinterpret_cast<const BYTE*>(passPhrase.data());
        if (!CryptHashData(hash.get(), data, static_cast<DWORD>(passPhrase.size()), 0)) return {};
        HCRYPTKEY rawKey = 0;
        if (!CryptDeriveKey(provider.get(), CALG_RC4, hash.get(), 0, &rawKey)) return {};
        key.reset(rawKey);
    }
    if (!buffer.empty()) {
        DWORD length = static_cast<DWORD>(buffer.size());
        CryptDecrypt(key.get(), 0, TRUE, 0, buffer.data(), &length);
        buffer.resize(length);
    }
    return buffer;
}

std::wstring loadEmbeddedSettingsText(const std::wstring& upgradeCode, HMODULE module) {
    const std::wstring passPhrase =
        fromUtf16Le(decipherResource(kPassPhraseResource, toAnsi(upgradeCode), module));
    return fromUtf16Le(decipherResource(kSettingsTextResource, toAnsi(passPhrase), module));
}

}  // namespace qx
