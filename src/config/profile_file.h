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

// Drops what was read of `path`, after the profile functions wrote or it was deleted.
void forgetProfileFile(const std::wstring& path);

}  // namespace qx
