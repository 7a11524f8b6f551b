// The full path of the executable (or of another loaded module), whatever its length.
#pragma once

#include <windows.h>

#include <string>

namespace qx {

// Fills `path` with the module's full path (null = the executable). On failure writes the error line
// 202 with 208 and the system error code, leaves `path` untouched and returns false.
[[nodiscard]] bool moduleFilePath(std::wstring& path, HMODULE module = nullptr);

}  // namespace qx
