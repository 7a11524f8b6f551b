// Finding the JVM library inside a runtime folder.
#pragma once

#include <cstdint>
#include <string>

namespace qx {

// True when `path` names an existing file or folder (FindFirstFileW succeeds on it).
bool pathExists(const std::wstring& path);

// The first existing JVM library under `folder` (ending in a backslash) for the probe type (0 default,
// 1 server only, 2 server first); empty when none, or when this launcher cannot host that library
// (hostsRuntimeLibrary, runtime/host_machine.h). `server` is set only when something was found.
std::wstring probeJvmLibrary(const std::wstring& folder, int32_t probeType, bool* server = nullptr);

// True when `folder` (ending in a backslash) holds "bin\java.dll".
bool hasJavaDll(const std::wstring& folder);

}  // namespace qx
