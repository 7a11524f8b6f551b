#include "config/profile_file.h"

#include <windows.h>

#include <climits>

#include "base/ansi.h"
#include "base/long_path.h"
#include "base/scoped.h"
#include "base/srw_lock.h"
#include "config/profile_text.h"

namespace qx {
namespace {

// The settings file and the per-user file of a start, with room for the companion's.
constexpr size_t kCachedFiles = 4;

struct CachedFile {
    std::wstring path;  // empty: a free slot
    FILETIME written;
    DWORD sizeHigh, sizeLow;
    std::wstring text;
};

struct Cache {
    CachedFile files[kCachedFiles];
    size_t next = 0;  // the slot a new file takes when none holds its path

    CachedFile* find(const std::wstring& path) {
        for (CachedFile& file : files) {
            if (file.path == path) return &file;
        }
        return nullptr;
    }
};

SRWLOCK cacheLock = SRWLOCK_INIT;

// Never destroyed: a service's threads may still read settings while the process exits.
Cache& cache() {
    static auto* files = new Cache;
    return *files;
}

bool isUnchanged(const CachedFile& file, const WIN32_FILE_ATTRIBUTE_DATA& now) {
    return file.written.dwLowDateTime == now.ftLastWriteTime.dwLowDateTime &&
           file.written.dwHighDateTime == now.ftLastWriteTime.dwHighDateTime &&
           file.sizeLow == now.nFileSizeLow && file.sizeHigh == now.nFileSizeHigh;
}

bool isFullyQualified(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') ||
           (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

// The profile functions take sections of a file whose name has a key below IniFileMapping from the
// registry instead.
bool isMappedToRegistry(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/:");
    const std::wstring name = path.substr(separator == std::wstring::npos ? 0 : separator + 1);
    const std::wstring key = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\" + name;
    UniqueKey mapping;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, mapping.put()) ==
           ERROR_SUCCESS;
}

}  // namespace

bool isReadDirectly(const std::wstring& path) { return isFullyQualified(path) && !isMappedToRegistry(path); }

std::wstring decodeProfileBytes(const std::string& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t mark = 0;
    const ProfileEncoding encoding = detectProfileEncoding(data, bytes.size(), mark);
    const size_t size = bytes.size() - mark;
    if (encoding == ProfileEncoding::Utf16Le || encoding == ProfileEncoding::Utf16Be)
        return utf16Text(data + mark, size, encoding == ProfileEncoding::Utf16Be);
    // Without a mark, the process's ANSI code page, as the profile functions use, not the thread's.
    return fromCodePage(encoding == ProfileEncoding::Utf8 ? CP_UTF8 : CP_ACP, bytes.data() + mark, size);
}

ProfileBytes readProfileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    // The profile functions share the file with writers and deleters alike.
    UniqueFile file(CreateFileW(toLongPathForm(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? ProfileBytes::Missing : ProfileBytes::Unreadable;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return ProfileBytes::Unreadable;
    if (static_cast<unsigned long long>(size.QuadPart) > INT_MAX) return ProfileBytes::TooLarge;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        bytes.clear();
        return ProfileBytes::Unreadable;
    }
    bytes.resize(read);
    return ProfileBytes::Read;
}

bool readProfileFile(const std::wstring& path, std::wstring& text) {
    if (!isFullyQualified(path)) return false;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    const bool exists =
        GetFileAttributesExW(toLongPathForm(path).c_str(), GetFileExInfoStandard, &attributes);
    if (exists) {
        const SharedLock shared(cacheLock);
        const CachedFile* cached = cache().find(path);
        if (cached && isUnchanged(*cached, attributes)) {
            text = cached->text;
            return true;
        }
    }
    if (isMappedToRegistry(path)) return false;

    std::string bytes;
    const ProfileBytes result = readProfileBytes(path, bytes);
    if (result == ProfileBytes::TooLarge) return false;
    // A file that cannot be opened or read gives the profile functions no keys, and no bytes here.
    text = decodeProfileBytes(bytes);
    // A file that could not be read (locked, or a folder) may be readable at the next look.
    if (!exists || result != ProfileBytes::Read) return true;

    const ExclusiveLock exclusive(cacheLock);
    Cache& files = cache();
    CachedFile* slot = files.find(path);
    if (!slot) slot = &files.files[files.next++ % kCachedFiles];
    *slot =
        CachedFile{path, attributes.ftLastWriteTime, attributes.nFileSizeHigh, attributes.nFileSizeLow, text};
    return true;
}

void forgetProfileFile(const std::wstring& path) {
    const ExclusiveLock exclusive(cacheLock);
    if (CachedFile* cached = cache().find(path)) *cached = CachedFile{};
}

}  // namespace qx
