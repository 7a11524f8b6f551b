// The diagnostic trace that QXLAUNCH_TRACE switches on: why a runtime was taken or passed over, which
// settings layer gave each value, the VM options, the run mode and the exit code. Unset or "0": off.
// "1" or "stderr": standard error. Anything else: a file the lines are appended to.
#pragma once

#include <string>

namespace qx {

// True when the trace is on. The variable is read once, on the first call, so callers test this
// before they build a line and an untraced start costs one branch.
bool traceOn();

// Writes `line` prefixed with the milliseconds since the process started; nothing when the trace is
// off. Never changes the last error.
void trace(const std::wstring& line);

}  // namespace qx
