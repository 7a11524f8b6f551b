// Checks a package made by qxpack with the Windows APIs that will read it: CryptoAPI deciphers the
// embedded settings exactly as the launcher does, the shell sees the icon's images, the version API
// returns the version strings, and the manifest is still there.
//
// usage: pack_check EXE [--no-manifest] --upgrade-code CODE [--settings FILE] [--icon-sizes 16,32,...]
//                       [--version Name=Value]... [--file-version 1.2.3.4]
// Prints one line per failed check and exits with the number of failures.
#include <windows.h>

#include <shellapi.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

template <typename T, typename Close>
class Owned {
public:
    Owned(T value, Close close) : value_(value), close_(close) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() {
        if (value_) close_(value_);
    }
    T get() const { return value_; }
    explicit operator bool() const { return value_ != T(); }

private:
    T value_;
    Close close_;
};

auto ownModule(HMODULE m) {
    return Owned(m, [](HMODULE h) { FreeLibrary(h); });
}
auto ownIcon(HICON i) {
    return Owned(i, [](HICON h) { DestroyIcon(h); });
}
auto ownBitmap(HBITMAP b) {
    return Owned(b, [](HBITMAP h) { DeleteObject(h); });
}
auto ownProvider(HCRYPTPROV p) {
    return Owned(p, [](HCRYPTPROV h) { CryptReleaseContext(h, 0); });
}
auto ownHash(HCRYPTHASH p) {
    return Owned(p, [](HCRYPTHASH h) { CryptDestroyHash(h); });
}
auto ownKey(HCRYPTKEY p) {
    return Owned(p, [](HCRYPTKEY h) { CryptDestroyKey(h); });
}

int failures = 0;

void fail(const std::string& message) {
    std::printf("FAIL: %s\n", message.c_str());
    ++failures;
}

std::string narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring widen(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(size > 0 ? size - 1 : 0, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    return out;
}

std::vector<BYTE> resourceBytes(HMODULE module, unsigned id) {
    const HRSRC found =
        FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCEW(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (found == nullptr) return {};
    const HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr) return {};
    return std::vector<BYTE>(bytes, bytes + SizeofResource(module, found));
}

// The launcher's own sequence: MD5 of the pass phrase, CryptDeriveKey(CALG_RC4, flags 0), CryptDecrypt.
std::vector<BYTE> decipher(std::vector<BYTE> data, const std::string& passPhrase) {
    HCRYPTPROV rawProvider = 0;
    if (!CryptAcquireContextW(&rawProvider, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return {};
    const auto provider = ownProvider(rawProvider);
    HCRYPTHASH rawHash = 0;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, &rawHash)) return {};
    HCRYPTKEY rawKey = 0;
    {
        const auto hash = ownHash(rawHash);
        CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(passPhrase.data()),
                      static_cast<DWORD>(passPhrase.size()), 0);
        if (!CryptDeriveKey(provider.get(), CALG_RC4, hash.get(), 0, &rawKey)) return {};
    }
    const auto key = ownKey(rawKey);
    DWORD length = static_cast<DWORD>(data.size());
    if (!data.empty() && !CryptDecrypt(key.get(), 0, TRUE, 0, data.data(), &length)) return {};
    data.resize(length);
    return data;
}

std::wstring utf16(const std::vector<BYTE>& bytes) {
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

std::string ansi(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

void checkSettings(HMODULE module, const std::string& upgradeCode, const std::string& expectedFile) {
    const std::wstring passPhrase = utf16(decipher(resourceBytes(module, 9000), upgradeCode));
    const std::wstring text = utf16(decipher(resourceBytes(module, 8000), ansi(passPhrase)));
    FILE* f = _wfopen(widen(expectedFile).c_str(), L"rb");
    if (f == nullptr) return fail("cannot read " + expectedFile);
    std::string expected;
    for (int c; (c = std::fgetc(f)) != EOF;) expected.push_back(static_cast<char>(c));
    std::fclose(f);
    if (text != widen(expected))
        fail("deciphered settings differ from " + expectedFile + ":\n" + narrow(text));
}

void checkIcons(const std::wstring& exe, const std::string& sizes) {
    const UINT groups = ExtractIconExW(exe.c_str(), -1, nullptr, nullptr, 0);
    if (groups != 1) fail("ExtractIconExW counts " + std::to_string(groups) + " icons, expected 1");
    HICON rawLarge = nullptr;
    HICON rawSmall = nullptr;
    ExtractIconExW(exe.c_str(), 0, &rawLarge, &rawSmall, 1);
    const auto large = ownIcon(rawLarge);
    const auto small = ownIcon(rawSmall);
    if (!large || !small) fail("ExtractIconExW gives no large or no small icon");
    // Windows scales the nearest image to any size asked for, so an image of each size exists exactly
    // when every size selects a different RT_ICON resource.
    std::vector<UINT> chosen;
    size_t start = 0;
    while (start < sizes.size()) {
        size_t end = sizes.find(',', start);
        if (end == std::string::npos) end = sizes.size();
        const int side = std::stoi(sizes.substr(start, end - start));
        start = end + 1;
        HICON raw = nullptr;
        UINT id = 0;
        if (PrivateExtractIconsW(exe.c_str(), 0, side, side, &raw, &id, 1, 0) != 1 || raw == nullptr) {
            fail("no icon of size " + std::to_string(side));
            continue;
        }
        const auto icon = ownIcon(raw);
        for (UINT earlier : chosen) {
            if (earlier == id) fail("size " + std::to_string(side) + " has no image of its own");
        }
        chosen.push_back(id);
        ICONINFO info{};
        if (!GetIconInfo(icon.get(), &info)) {
            fail("GetIconInfo failed for size " + std::to_string(side));
            continue;
        }
        const auto colour = ownBitmap(info.hbmColor);
        const auto mask = ownBitmap(info.hbmMask);
        BITMAP bitmap{};
        GetObjectW(colour ? colour.get() : mask.get(), sizeof bitmap, &bitmap);
        if (bitmap.bmWidth != side) {
            fail("icon for size " + std::to_string(side) + " is " + std::to_string(bitmap.bmWidth) + " wide");
        }
    }
}

void checkVersion(const std::wstring& exe, const std::vector<std::pair<std::string, std::string>>& strings,
                  const std::string& fileVersion) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(exe.c_str(), 0, size, block.data()))
        return fail("GetFileVersionInfoW failed");
    for (const auto& [name, expected] : strings) {
        const std::wstring query = L"\\StringFileInfo\\040904b0\\" + widen(name);
        wchar_t* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
            fail("no version string " + name);
        } else if (narrow(value) != expected) {
            fail("version string " + name + " is \"" + narrow(value) + "\", expected \"" + expected + "\"");
        }
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr) {
        return fail("no fixed file information");
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                  LOWORD(fixed->dwFileVersionLS));
    if (!fileVersion.empty() && fileVersion != text) fail(std::string("fixed file version is ") + text);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf(
            "usage: pack_check EXE --upgrade-code CODE [--settings FILE] [--icon-sizes A,B] [--version "
            "N=V]...\n");
        return 100;
    }
    const std::wstring exe = argv[1];
    std::string upgradeCode, settings, iconSizes, fileVersion;
    bool wantManifest = true;
    std::vector<std::pair<std::string, std::string>> strings;
    for (int i = 2; i < argc && std::wstring(argv[i]) == L"--no-manifest"; ++i) wantManifest = false;
    for (int i = wantManifest ? 2 : 3; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        const std::string value = narrow(argv[i + 1]);
        if (option == L"--upgrade-code") upgradeCode = value;
        if (option == L"--settings") settings = value;
        if (option == L"--icon-sizes") iconSizes = value;
        if (option == L"--file-version") fileVersion = value;
        if (option == L"--version")
            strings.emplace_back(value.substr(0, value.find('=')), value.substr(value.find('=') + 1));
    }
    const auto module = ownModule(
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) {
        fail("cannot load " + narrow(exe) + " as a resource module");
        return failures;
    }
    if (wantManifest && FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST) == nullptr) {
        fail("the manifest is gone");
    }
    if (!settings.empty()) checkSettings(module.get(), upgradeCode, settings);
    if (!iconSizes.empty()) checkIcons(exe, iconSizes);
    checkVersion(exe, strings, fileVersion);
    std::printf("pack_check: %d failure(s)\n", failures);
    return failures;
}
