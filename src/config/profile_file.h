// Settings files read into memory once and answered by the profile functions' rules (profile_text.h). A
// start asks for some fifty values, each in two or three layers; through GetPrivateProfileStringW every
// one of them made the system open and check the file again, and re-read it whenever it was recent.
#pragma once

#include <string>

namespace qx {

// The decoded text of the file at `path`, as the profile functions read it, for profileValue; empty
// when the file cannot be opened or read. False (`text` untouched) when only the profile functions
// can answer: a path that is not fully qualified (they look for a bare name in the Windows folder), a
// file name the registry maps (IniFileMapping, as for win.ini), or a file of 2 GB or more. A file is
// read again only when its size or time has changed, or after forgetProfileFile.
[[nodiscard]] bool readProfileFile(const std::wstring& path, std::wstring& text);

// Drops what was read of `path`, after it was written or deleted.
void forgetProfileFile(const std::wstring& path);

// Whether readProfileFile answers for the file at `path` rather than the profile functions: false for
// a path that is not fully qualified or a file name the registry maps. What it reads, it also writes.
bool isReadDirectly(const std::wstring& path);

enum class ProfileBytes { Read, Missing, Unreadable, TooLarge };
// The bytes of the file at `path`, read while others may write or delete it, as the profile functions
// share it; empty unless Read. A file of 2 GB or more is TooLarge.
ProfileBytes readProfileBytes(const std::wstring& path, std::string& bytes);

// A file's bytes as the profile functions decode them: by the byte-order mark, else in the ANSI code
// page of the process.
std::wstring decodeProfileBytes(const std::string& bytes);

}  // namespace qx
