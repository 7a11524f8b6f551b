// Reading an attribute of a jar's manifest. Pure logic: no Windows calls.
#pragma once

#include <string>

namespace qx {

// The manifest's entry name; jars written by other tools may spell it in another case.
constexpr char kManifestEntryName[] = "META-INF/MANIFEST.MF";

// The value of attribute `name` in the manifest's main section (the lines before its first empty
// line), compared without ASCII case. Lines end in CR LF, LF or CR; a line that starts with a space
// continues the one before. Blanks around the value are dropped. False when the main section has no
// such attribute.
[[nodiscard]] bool manifestMainAttribute(const std::string& manifest, const std::string& name,
                                         std::string& value);

}  // namespace qx
