// The executable itself on the class path, when it is signed: Java may load from it only what the
// signature covers.
#pragma once

#include <string>

#include "vm/vm_option_list.h"

namespace qx {

// True when the start may go on: the running executable has no certificate table (then nothing is
// read), or it is not on the class path in `options` (by its path or as the same file under another
// name), or all that Java's zip reader would open in it lies inside its signed range
// (checkSignedRange). Otherwise writes error line 231 and returns false; the trace says what was
// found and where. The splash screen reads the executable's jar after this, so it too shows only
// what was signed.
[[nodiscard]] bool signatureCoversClassPath(const VmOptionList& options, const std::wstring& executablePath);

}  // namespace qx
