// Text rules of the "Class Path" setting: which pieces are taken as written and where the others are
// searched. Pure text logic: no Windows calls.
#pragma once

#include <string>

namespace qx {

// A drive path ("C:...") or a network path ("\\server..."): at least two characters, a ":" second
// or two leading backslashes.
bool isAbsoluteClassPathPiece(const std::wstring& piece);

// An absolute piece without "*" goes onto the class path as written, whether or not it exists.
bool isLiteralClassPathPiece(const std::wstring& piece);

// The executable's path cut before its last backslash; the whole path when it has none.
std::wstring launcherDirectory(const std::wstring& executablePath);

// How a piece that is not literal is resolved: the files matching `pattern` go onto the class path
// as `matchDir`, a backslash and the file name.
struct ClassPathSearch {
    std::wstring pattern;
    std::wstring matchDir;
};
ClassPathSearch classPathSearch(const std::wstring& piece, const std::wstring& launcherDir);

// Appends each non-empty piece of `entry` (cut at ";") to `classPath`, with ";" only between pieces: the
// JVM reads an empty piece as the working folder, which the user's start-in folder controls.
void appendClassPathEntry(std::wstring& classPath, const std::wstring& entry);

}  // namespace qx
