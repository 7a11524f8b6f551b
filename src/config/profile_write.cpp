#include "config/profile_write.h"

#include <windows.h>

#include "base/ansi.h"
#include "base/long_path.h"
#include "base/scoped.h"
#include "config/profile_file.h"
#include "config/profile_text.h"

namespace qx {
namespace {

// Files beside a settings file may be anyone's: a name already taken, even by a link, is never opened.
constexpr unsigned kTemporaryNameTries = 16;

// `text` as the file's new bytes: its old encoding where that is kept, else UTF-16LE with a mark.
std::string encodeLike(const std::string& old, const std::wstring& oldText, const std::wstring& text) {
    size_t mark = 0;
    const auto* data = reinterpret_cast<const uint8_t*>(old.data());
    // An empty file has no encoding to keep; Windows' profile functions know no other mark than
    // UTF-16LE's (Wine also takes UTF-8's and UTF-16BE's), so those files are converted too.
    if (old.empty() || detectProfileEncoding(data, old.size(), mark) != ProfileEncoding::Ansi)
        return utf16LeFile(text);
    // The ANSI text stays so only when its old bytes come back from their decoding, so that no line
    // changes unasked, and the new text has an exact form.
    std::string oldAgain, bytes;
    if (toCodePageExactly(CP_ACP, oldText, oldAgain) && oldAgain == old &&
        toCodePageExactly(CP_ACP, text, bytes))
        return bytes;
    return utf16LeFile(text);
}

bool writeAll(HANDLE file, const std::string& bytes) {
    if (bytes.size() > MAXDWORD) return false;
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && FlushFileBuffers(file);
}

// Writes `bytes` to a new file beside `path`, named into `temporary`.
bool writeBeside(const std::wstring& path, const std::string& bytes, std::wstring& temporary) {
    const std::wstring stem = path + L'.' + std::to_wstring(GetCurrentProcessId()) + L'-';
    for (unsigned i = 0; i < kTemporaryNameTries; ++i) {
        temporary = stem + std::to_wstring(GetCurrentThreadId()) + L'-' + std::to_wstring(i) + L".new";
        UniqueFile file(CreateFileW(toLongPathForm(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return false;
        }
        if (writeAll(file.get(), bytes)) return true;
        file.reset();
        const DWORD error = GetLastError();
        DeleteFileW(toLongPathForm(temporary).c_str());
        SetLastError(error);
        return false;
    }
    return false;
}

// The new file takes the old one's place in one rename. An existing file is replaced so that it keeps
// its security and attributes (ReplaceFileW): a settings file an administrator has locked down, or
// hidden, stays so.
bool putInPlace(const std::wstring& temporary, const std::wstring& path, bool existed) {
    const std::wstring from = toLongPathForm(temporary);
    const std::wstring to = toLongPathForm(path);
    const bool moved = existed ? ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE
                               : MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!moved) {
        const DWORD error = GetLastError();
        DeleteFileW(from.c_str());
        SetLastError(error);
    }
    return moved;
}

}  // namespace

ProfileWrite writeProfileValue(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) {
    if (!isReadDirectly(path)) return ProfileWrite::ProfileFunctionsOnly;
    std::string old;
    const ProfileBytes read = readProfileBytes(path, old);
    if (read != ProfileBytes::Read && read != ProfileBytes::Missing) return ProfileWrite::Failed;
    const bool existed = read == ProfileBytes::Read;
    // ReplaceFileW would take the place of a read-only file too; the profile functions leave it alone.
    const DWORD attributes = existed ? GetFileAttributesW(toLongPathForm(path).c_str()) : 0;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return ProfileWrite::Failed;
    }

    const std::wstring oldText = decodeProfileBytes(old);
    std::wstring text = oldText;
    if (!withProfileValue(text, section, key, value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ProfileWrite::Failed;
    }
    std::wstring temporary;
    if (!writeBeside(path, encodeLike(old, oldText, text), temporary) ||
        !putInPlace(temporary, path, existed))
        return ProfileWrite::Failed;
    forgetProfileFile(path);
    return ProfileWrite::Written;
}

}  // namespace qx
