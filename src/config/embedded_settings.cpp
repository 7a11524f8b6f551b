#include "config/embedded_settings.h"

#include "base/ansi.h"
#include "base/srw_lock.h"
#include "config/rc4.h"
#include "config/settings_key.h"

namespace qx {

namespace {

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

std::wstring fromUtf16Le(const std::vector<uint8_t>& bytes) {
    std::wstring text(bytes.size() / 2, L'\0');  // an odd last byte is dropped
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

// The portable RC4 under the base provider's key gives the provider's bytes (pinned by a test against
// CryptoAPI), without the provider's libraries: rsaenh, bcrypt and crypt32, which brings the window
// libraries with it.
std::vector<uint8_t> decipherWith(const std::vector<uint8_t>& buffer, const std::string& passPhrase) {
    if (buffer.empty()) return {};
    return rc4(settingsKey(passPhrase), buffer);
}

std::wstring readEmbeddedSettingsText(const std::wstring& upgradeCode, HMODULE module) {
    const std::vector<uint8_t> settings = resourceBytes(module, kSettingsTextResource);
    if (settings.empty()) return {};
    const std::wstring passPhrase =
        fromUtf16Le(decipherWith(resourceBytes(module, kPassPhraseResource), toAnsi(upgradeCode)));
    return fromUtf16Le(decipherWith(settings, toAnsi(passPhrase)));
}

}  // namespace

std::vector<uint8_t> decipherResource(unsigned id, const std::string& passPhrase, HMODULE module) {
    return decipherWith(resourceBytes(module, id), passPhrase);
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
