// The one change the launcher makes to a settings file ("JRE Path", once the user has picked a runtime),
// made by the rules its reader follows (profile_text.h), so whatever is written is read back exactly.
#pragma once

#include <string>

namespace qx {

enum class ProfileWrite {
    Written,
    Failed,                // nothing changed; GetLastError tells why where Windows set it
    ProfileFunctionsOnly,  // a file the launcher does not read itself (isReadDirectly): not touched
};

// Sets `key` in `section` of the file at `path` to `value` (withProfileValue), keeping every other line
// and the file's encoding where that can hold the result and Windows' profile functions read it: a file
// without a mark stays in the ANSI code page when every character has its exact form there; anything
// else, a new or empty file included, becomes UTF-16LE with a mark. The new text goes to a file beside
// the old one, which then takes its place in one step: a reader sees the old file or the new one,
// never part of either. An unreadable or too large file is left alone.
[[nodiscard]] ProfileWrite writeProfileValue(const std::wstring& path, const std::wstring& section,
                                             const std::wstring& key, const std::wstring& value);

}  // namespace qx
