// Reads and changes single values in INI text without disturbing the rest of it: comments, order and
// unknown keys of a user's settings survive packaging. The launcher's IniTextStore cannot serve here:
// it keeps only entries (no comments, blank lines or line positions) to write back, and it reads the
// embedded text's rules (exact names, CR LF only), while a settings file is read by the Windows profile
// functions (names ignoring case, any line end). Embedded text is read with IniTextStore.
#pragma once

#include <string>

namespace qxpack {

enum class NameMatch {
    Exact,       // how the launcher matches names in its embedded text
    IgnoreCase,  // how the Windows profile functions match names in the settings file
};

// The value of `key` in the first section named `section`; empty when either is missing.
std::u16string iniValue(const std::u16string& text, const std::u16string& section, const std::u16string& key,
                        NameMatch match);

// `text` with `key` in `section` set to `value`: the key's line is replaced, or the key is added at
// the end of the section, or the section is appended. Lines end in CR LF afterwards.
std::u16string withIniValue(const std::u16string& text, const std::u16string& section,
                            const std::u16string& key, const std::u16string& value);

}  // namespace qxpack
