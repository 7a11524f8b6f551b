#include "config/embedded_settings.h"

#include <wincrypt.h>

#include "base/ansi.h"
#include "base/scoped.h"
#include "base/srw_lock.h"

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

// `buffer` deciphered in place with the RC4 key derived from the MD5 of `passPhrase`; empty when no key
// can be made.
std::vector<uint8_t> decipherWith(const UniqueCryptProvider& provider, std::vector<uint8_t> buffer,
                                  const std::string& passPhrase) {
    if (!provider) return {};
    UniqueCryptKey key;
    {
        UniqueCryptHash hash;
        if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) return {};
        const auto* data = reinterpret_cast<const BYTE*>(passPhrase.data());
        if (!CryptHashData(hash.get(), data, static_cast<DWORD>(passPhrase.size()), 0)) return {};
        if (!CryptDeriveKey(provider.get(), CALG_RC4, hash.get(), 0, key.put())) return {};
    }
    if (!buffer.empty()) {
        DWORD length = static_cast<DWORD>(buffer.size());
        CryptDecrypt(key.get(), 0, TRUE, 0, buffer.data(), &length);
        buffer.resize(length);
    }
    return buffer;
}

std::wstring readEmbeddedSettingsText(const std::wstring& upgradeCode, HMODULE module) {
    // Without settings there is nothing to decipher: most executables start without touching CryptoAPI,
    // whose provider costs several libraries loaded and unloaded again.
    std::vector<uint8_t> settings = resourceBytes(module, kSettingsTextResource);
    if (settings.empty()) return {};
    const UniqueCryptProvider provider = acquireProvider();
    const std::wstring passPhrase =
        fromUtf16Le(decipherWith(provider, resourceBytes(module, kPassPhraseResource), toAnsi(upgradeCode)));
    return fromUtf16Le(decipherWith(provider, std::move(settings), toAnsi(passPhrase)));
}

}  // namespace

std::vector<uint8_t> decipherResource(unsigned id, const std::string& passPhrase, HMODULE module) {
    std::vector<uint8_t> buffer = resourceBytes(module, id);
    if (buffer.empty()) return {};
    return decipherWith(acquireProvider(), std::move(buffer), passPhrase);
}

std::wstring loadEmbeddedSettingsText(const std::wstring& upgradeCode, HMODULE module) {
    if (module != nullptr) return readEmbeddedSettingsText(upgradeCode, module);
    // Every reader of one start asks for the executable's own text; its resources cannot change while
    // it runs, so the text is deciphered once per Upgrade Code.
    static SRWLOCK lock = SRWLOCK_INIT;
    static std::wstring cachedCode, cachedText;
    static bool cached = false;
    const ExclusiveLock guard(lock);
    if (!cached || cachedCode != upgradeCode) {
        cachedText = readEmbeddedSettingsText(upgradeCode, nullptr);
        cachedCode = upgradeCode;
        cached = true;
    }
    return cachedText;
}

}  // namespace qx
