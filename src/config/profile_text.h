// A settings file's text as the Windows profile functions read it, so that one read of the file can
// answer every lookup of a start, and the one change the launcher makes to it, by the same rules. Pure
// text logic: no Windows calls (the caller decodes ANSI and UTF-8 text, which needs the system's code
// pages).
//
// The rules are the ones GetPrivateProfileStringW follows under Wine 8, the platform the launcher is
// tested on, found by experiment and pinned by a differential test against the function itself.
// Where documented Windows behaviour differs, the comments say so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

enum class ProfileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// How the profile functions decode a file's bytes: a UTF-8 byte-order mark, else a UTF-16 one (either
// byte order), else the ANSI code page. `markLength` receives the bytes the mark takes (0 for ANSI).
ProfileEncoding detectProfileEncoding(const uint8_t* bytes, size_t size, size_t& markLength);

// UTF-16 code units as text; an odd last byte is dropped.
std::wstring utf16Text(const uint8_t* bytes, size_t size, bool bigEndian);

// What GetPrivateProfileStringW gives for `section` and `key` from the decoded file text `text` (after
// its mark), with an empty default and a buffer large enough for any value: empty for a missing
// section or key and for a line without "=". Wine limits no value's length (Windows 95 limited a read
// to 32K characters); a value of any length comes back whole. A file holds a few dozen lines, so each
// lookup reads the text again rather than keeping a parse of it.
std::wstring profileValue(const std::wstring& text, const std::wstring& section, const std::wstring& key);

// Sets `key` in `section` of the decoded file text `text` so that profileValue gives `value` back: the
// line of the key that a lookup finds is replaced; else the entry goes after the last line of the first
// section of that name, so no second section of it is made; else the section is appended. Every other
// line stays as it was. A value that blanks or a pair of quotes around it would change is written in
// quotes. False (`text` untouched) for what no line can hold: a line end or NUL in a name or the value,
// an empty name, a name with blanks around it, a key with "=" or starting with "[".
[[nodiscard]] bool withProfileValue(std::wstring& text, const std::wstring& section, const std::wstring& key,
                                    const std::wstring& value);

// `text` as the bytes of a UTF-16LE file with its byte-order mark, the one encoding that every reader
// of the file (the profile functions of Windows and of Wine, and this one) takes for what it is.
std::string utf16LeFile(const std::wstring& text);

}  // namespace qx
