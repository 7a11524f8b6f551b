#pragma once

#include <string>

namespace qx {

struct VmSettings;

// Points System.out and System.err at the configured files (time stamps expanded in the names, both
// from one instant). Runs on the thread that created the VM; a failure leaves that stream as it was.
void redirectOutput(VmSettings& vm);
// One stream: `setter` is "setOut" or "setErr". False leaves any Java exception of the failed step
// pending, except one from the setter itself, which is described here.
[[nodiscard]] bool redirectStream(VmSettings& vm, const std::wstring& fileName, bool append,
                                  const char* setter);

}  // namespace qx
