// Where the launcher looks for its settings: beside the executable, under APPDATA, and the same for
// the companion launcher.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/directories.h"
#include "base/scoped.h"
#include "config/ini_file_store.h"
#include "config/module_path.h"
#include "config/settings_paths.h"
#include "support/lib/stdout_capture.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

bool isDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

using AppData = qxtest::ScopedEnvironmentVariable;

ProductInfo product(const wchar_t* name, const wchar_t* code) {
    ProductInfo info;
    info.productName = name;
    info.productCode = code;
    return info;
}

TEST(SettingsFilePath, ReplacesEverythingAfterTheLastDot) {
    struct Case {
        const wchar_t* executable;
        bool ok;
        const wchar_t* settings;
    };
    const Case cases[] = {
        {L"C:\\App\\run.exe", true, L"C:\\App\\run.ini"},
        {L"C:\\Apps\\tool.app\\run", true, L"C:\\Apps\\tool.ini"},
        {L"C:\\a.b\\c.d.exe", true, L"C:\\a.b\\c.d.ini"},
        {L"C:\\App\\run.", true, L"C:\\App\\run.ini"},
        {L"C:\\App\\run", false, L"untouched"},
        {L"", false, L"untouched"},
    };
    for (const Case& c : cases) {
        std::wstring settings = L"untouched";
        EXPECT_EQ(settingsPathFor(c.executable, settings), c.ok) << c.executable;
        EXPECT_EQ(settings, c.settings) << c.executable;
    }
    std::wstring own;
    ASSERT_TRUE(settingsFilePath(own));
    const std::wstring exe = qxtest::ownExecutable();
    EXPECT_EQ(own, exe.substr(0, exe.size() - 3) + L"ini");
}

TEST(SettingsFilePath, TheExecutablesPathIsNotCutAtTheClassicLimit) {
    // Wine cannot start a program from such a folder, so the copy is loaded as a module instead.
    std::wstring deep = qxtest::scratchDir(L"SettingsPathDeep");
    for (wchar_t letter = L'a'; deep.size() < 300; ++letter) deep += L'\\' + std::wstring(60, letter);
    ASSERT_EQ(ensureParentDirectories(deep + L"\\run.exe"), 0u);
    ASSERT_TRUE(CopyFileW(qxtest::ownExecutable().c_str(), (deep + L"\\run.exe").c_str(), FALSE));
    ASSERT_TRUE(qxtest::writeFile(deep + L"\\run.ini", "[Application]\r\nMain Class=deep.App\r\n"));

    const UniqueModule module(
        LoadLibraryExW((deep + L"\\run.exe").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ASSERT_TRUE(module) << GetLastError();
    std::wstring path;
    ASSERT_TRUE(moduleFilePath(path, module.get()));
    EXPECT_EQ(path, deep + L"\\run.exe");
    std::wstring settings;
    ASSERT_TRUE(settingsPathFor(path, settings));
    std::wstring mainClass;
    IniFileStore(settings).getValue(L"Application", L"Main Class", mainClass);
    EXPECT_EQ(mainClass, L"deep.App");

    IniFileStore user(deep + L"\\user.ini");
    user.setValue(L"Java Runtime Environment", L"JRE Path", L"C:\\jre");
    std::wstring jrePath;
    user.getValue(L"Java Runtime Environment", L"JRE Path", jrePath);
    EXPECT_EQ(jrePath, L"C:\\jre");
    EXPECT_NE(GetFileAttributesW((L"\\\\?\\" + deep + L"\\user.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SettingsFilePath, AnUnavailableModulePathWritesOneErrorLine) {
    std::wstring path = L"untouched";
    bool ok = true;
    const std::string out =
        qxtest::captureStdout([&] { ok = moduleFilePath(path, reinterpret_cast<HMODULE>(0x10)); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(path, L"untouched");
    EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
}

TEST(UserSettingsPath, LivesUnderAppDataInProductFolders) {
    const std::wstring appData = qxtest::scratchDir(L"UserSettingsAppData");
    const AppData env(L"APPDATA", appData.c_str());
    EXPECT_EQ(cleanProductName(L"A/B: D?"), L"AB D");
    EXPECT_EQ(cleanProductName(L"x\\?\"|><:/*y"), L"xy");

    struct Case {
        const wchar_t* source;
        const wchar_t* fileName;
    };
    const Case cases[] = {
        {L"C:\\App\\run.exe", L"run.ini"},
        {L"C:\\Apps\\tool.app\\run", L"run.ini"},
        {L"C:\\App\\run.x.exe", L"run.x.ini"},
        {L"run32.exe", L"run32.ini"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(userSettingsPathFor(c.source, product(L"My App", L"{CODE}"), false),
                  appData + L"\\My App\\{CODE}\\" + c.fileName)
            << c.source;
    }
    EXPECT_FALSE(isDirectory(appData + L"\\My App"));
    EXPECT_EQ(userSettingsPathFor(L"C:\\App\\run.exe", product(L"A/B: D?", L"{CODE}"), true),
              appData + L"\\AB D\\{CODE}\\run.ini");
    EXPECT_TRUE(isDirectory(appData + L"\\AB D\\{CODE}"));
    EXPECT_EQ(userSettingsPathFor(L"C:\\App\\run.exe", product(L"A/B: D?", L"{CODE}"), true),
              appData + L"\\AB D\\{CODE}\\run.ini");
}

TEST(UserSettingsPath, WithoutAppDataStartsAtTheDriveRoot) {
    const AppData env(L"APPDATA", nullptr);
    EXPECT_EQ(userSettingsPathFor(L"C:\\App\\run.exe", product(L"P", L"C"), false), L"\\P\\C\\run.ini");
}

TEST(UserSettingsPath, LauncherAndCompanionShareTheProductFolders) {
    const std::wstring appData = qxtest::scratchDir(L"UserSettingsPair");
    const AppData env(L"APPDATA", appData.c_str());
    const ProductInfo info = product(L"My App", L"{CODE}");

    const std::wstring exe = qxtest::ownExecutable();
    const std::wstring base = exe.substr(exe.rfind(L'\\') + 1, exe.size() - exe.rfind(L'\\') - 5);
    EXPECT_EQ(userSettingsPathFor(exe, info, false), appData + L"\\My App\\{CODE}\\" + base + L".ini");
    EXPECT_FALSE(isDirectory(appData + L"\\My App"));

    std::wstring pairProduct;
    std::wstring pair = L"untouched";
    EXPECT_FALSE(pairSettingsFilePath(pairProduct, pair));
    EXPECT_EQ(pairUserSettingsFilePath(info, pairProduct), L"");
    EXPECT_EQ(pair, L"untouched");

    pairProduct = L"C:\\Pair\\run32.exe";
    ASSERT_TRUE(pairSettingsFilePath(pairProduct, pair));
    EXPECT_EQ(pair, L"C:\\Pair\\run32.ini");
    EXPECT_EQ(pairUserSettingsFilePath(info, pairProduct), appData + L"\\My App\\{CODE}\\run32.ini");
    EXPECT_TRUE(isDirectory(appData + L"\\My App\\{CODE}"));

    pairProduct = L"C:\\Pair\\run32";
    EXPECT_FALSE(pairSettingsFilePath(pairProduct, pair));
    EXPECT_EQ(pairUserSettingsFilePath(info, pairProduct), appData + L"\\My App\\{CODE}\\run32.ini");
}

TEST(WorkingDirectory, BecomesTheExecutablesFolder) {
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(qxtest::scratchDir(L"WorkingDirectory").c_str());
    setWorkingDirectoryToModuleDir(qxtest::ownExecutable());
    wchar_t now[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, now);
    SetCurrentDirectoryW(saved);
    const std::wstring exe = qxtest::ownExecutable();
    EXPECT_EQ(std::wstring(now), exe.substr(0, exe.rfind(L'\\')));
}

}  // namespace
}  // namespace qx
