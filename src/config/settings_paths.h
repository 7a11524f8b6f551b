// Where the settings live: the file beside the executable ("run.exe" -> "run.ini"), the per-user file
// under APPDATA that remembers the chosen runtime, and the same pair for the companion launcher.
#pragma once

#include <string>

#include "config/product_info.h"

namespace qx {

// `executablePath` up to and including its last ".", then "ini" (C:\Apps\tool.app\run ->
// C:\Apps\tool.ini); false (`settingsPath` untouched) when the path has no ".".
[[nodiscard]] bool settingsPathFor(const std::wstring& executablePath, std::wstring& settingsPath);

// `productName` without the characters \ ? " | > < : / * (so it can be a folder name).
std::wstring cleanProductName(const std::wstring& productName);

// %APPDATA%\<clean product name>\<product code>\<base name of sourcePath>.ini. An unset APPDATA gives
// a path from the root of the current drive. With `createDirectories` the two folders are created
// (failures ignored).
std::wstring userSettingsPathFor(const std::wstring& sourcePath, const ProductInfo& product,
                                 bool createDirectories);

// The settings file beside the running executable; false when the executable's path is unavailable
// (error line written) or has no ".".
[[nodiscard]] bool settingsFilePath(std::wstring& path);

// The companion launcher as it is started: a relative "Pair Product" hangs below the launcher's folder,
// as a relative "JRE Path" does, never below the working folder; empty stays empty.
std::wstring pairProductPath(const std::wstring& pairProduct, const std::wstring& executablePath);

// The companion launcher's settings file; false when `pairProduct` is empty or has no ".".
[[nodiscard]] bool pairSettingsFilePath(const std::wstring& pairProduct, std::wstring& path);

// The companion's per-user settings file, in this launcher's per-user folders, which are created;
// empty when `pairProduct` is empty.
std::wstring pairUserSettingsFilePath(const ProductInfo& product, const std::wstring& pairProduct);

// The executable's folder, without its final backslash, as the current directory (C:\run.exe gives
// "C:"); does nothing when the path has no backslash after its first unit.
void setWorkingDirectoryToModuleDir(const std::wstring& executablePath);

}  // namespace qx
