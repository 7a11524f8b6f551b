#include "config/settings_paths.h"

#include <windows.h>

#include <string_view>

#include "base/environment.h"
#include "base/long_path.h"
#include "config/module_path.h"

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

std::wstring userSettingsPathFor(const std::wstring& sourcePath, const ProductInfo& product,
                                 bool createDirectories) {
    const size_t slash = sourcePath.rfind(L'\\');
    std::wstring fileName = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
    const size_t dot = fileName.rfind(L'.');
    if (dot != std::wstring::npos) fileName.erase(dot);
    fileName += L".ini";

    std::wstring path;
    // Unset, it contributes nothing: the path then starts at the current drive's root.
    static_cast<void>(environmentVariable(L"APPDATA", path));
    path += L'\\' + cleanProductName(product.productName);
    if (createDirectories) CreateDirectoryW(path.c_str(), nullptr);
    path += L'\\' + product.productCode;
    if (createDirectories) CreateDirectoryW(path.c_str(), nullptr);
    return path + L'\\' + fileName;
}

bool settingsFilePath(std::wstring& path) {
    std::wstring executable;
    return moduleFilePath(executable) && settingsPathFor(executable, path);
}

std::wstring pairProductPath(const std::wstring& pairProduct, const std::wstring& executablePath) {
    if (pairProduct.empty() || isAbsolutePath(pairProduct)) return pairProduct;
    return executablePath.substr(0, executablePath.rfind(L'\\')) + L'\\' + pairProduct;
}

bool pairSettingsFilePath(const std::wstring& pairProduct, std::wstring& path) {
    return !pairProduct.empty() && settingsPathFor(pairProduct, path);
}

std::wstring pairUserSettingsFilePath(const ProductInfo& product, const std::wstring& pairProduct) {
    if (pairProduct.empty()) return {};
    return userSettingsPathFor(pairProduct, product, true);
}

void setWorkingDirectoryToModuleDir(const std::wstring& executablePath) {
    const size_t slash = executablePath.rfind(L'\\');
    if (slash == std::wstring::npos || slash == 0) return;
    SetCurrentDirectoryW(executablePath.substr(0, slash).c_str());
}

}  // namespace qx
