#include "config/settings_paths.h"

#include <windows.h>

#include <string_view>

#include "base/environment.h"
#include "base/module_path.h"
#include "launch/launcher.h"

namespace qx {

bool settingsPathFor(const std::wstring& executablePath, std::wstring& settingsPath) {
    const size_t dot = executablePath.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    settingsPath = executablePath.substr(0, dot + 1) + L"ini";
    return true;
}

std::wstring cleanProductName(const std::wstring& productName) {
    static const wchar_t kInvalid[] = L"\\?\"|><:/*";
    std::wstring clean;
    for (wchar_t c : productName) {
        if (std::wstring_view(kInvalid).find(c) == std::wstring_view::npos) clean.push_back(c);
    }
    return clean;
}

std::wstring userSettingsPathFor(const std::wstring& sourcePath, const std::wstring& productName,
                                 const std::wstring& productCode, bool createDirectories) {
    const size_t slash = sourcePath.rfind(L'\\');
    std::wstring fileName = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
    const size_t dot = fileName.rfind(L'.');
    if (dot != std::wstring::npos) fileName.erase(dot);
    fileName += L".ini";

    std::wstring path;
    environmentVariable(L"APPDATA", path);
    path += L'\\' + cleanProductName(productName);
    if (createDirectories) CreateDirectoryW(path.c_str(), nullptr);
    path += L'\\' + productCode;
    if (createDirectories) CreateDirectoryW(path.c_str(), nullptr);
    return path + L'\\' + fileName;
}

bool settingsFilePath(std::wstring& path) {
    std::wstring executable;
    return moduleFilePath(executable) && settingsPathFor(executable, path);
}

std::wstring userSettingsFilePath(const Launcher& launcher, bool createDirectories) {
    std::wstring executable;
    if (!moduleFilePath(executable)) return {};
    return userSettingsPathFor(executable, launcher.productName, launcher.productCode, createDirectories);
}

bool pairSettingsFilePath(const Launcher& launcher, std::wstring& path) {
    return !launcher.pairProduct.empty() && settingsPathFor(launcher.pairProduct, path);
}

std::wstring pairUserSettingsFilePath(const Launcher& launcher) {
    if (launcher.pairProduct.empty()) return {};
    return userSettingsPathFor(launcher.pairProduct, launcher.productName, launcher.productCode, true);
}

void setWorkingDirectoryToModuleDir() {
    std::wstring executable;
    if (!moduleFilePath(executable)) return;
    const size_t slash = executable.rfind(L'\\');
    if (slash == std::wstring::npos || slash == 0) return;
    SetCurrentDirectoryW(executable.substr(0, slash).c_str());
}

}  // namespace qx
