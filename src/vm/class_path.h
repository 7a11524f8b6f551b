// The class path built from the "Class Path" setting.
#pragma once

#include <string>

namespace qx {

// Cuts `value` at ";", expands environment references in each piece, keeps absolute pieces without
// "*" as written (even when missing) and replaces every other piece by the files that a search for it
// finds, relative pieces searched in the launcher's folder. Entries are separated by ";", with none
// at the end and no empty entry; a piece that matches nothing contributes nothing.
std::wstring buildClassPath(const std::wstring& value, const std::wstring& executablePath);

}  // namespace qx
