// Long-path text, the file finder, directory creation and environment expansion.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/directories.h"
#include "base/environment.h"
#include "base/file_finder.h"
#include "base/long_path.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using Names = std::vector<std::wstring>;

bool exists(const std::wstring& path) {
    return GetFileAttributesW(toLongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder path of at least `length` units below `base`, made of 50-unit names.
std::wstring deepPath(const std::wstring& base, size_t length) {
    std::wstring path = base;
    for (wchar_t letter = L'a'; path.size() < length; ++letter) path += L'\\' + std::wstring(50, letter);
    return path;
}

class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& dir) : saved_(MAX_PATH, L'\0') {
        saved_.resize(GetCurrentDirectoryW(MAX_PATH, saved_.data()));
        SetCurrentDirectoryW(dir.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(saved_.c_str()); }

private:
    std::wstring saved_;
};

TEST(LongPathForm, PrefixesPathsFromTheClassicLimitOn) {
    const std::wstring local259 = L"C:\\" + std::wstring(256, L'x');
    const std::wstring local260 = local259 + L"y";
    const std::wstring unc = L"\\\\server\\share\\" + std::wstring(260, L'x');
    struct Case {
        std::wstring path, longForm;
    };
    const Case cases[] = {
        {L"C:\\short", L"C:\\short"},
        {local259, local259},
        {local260, L"\\\\?\\" + local260},
        {unc, L"\\\\?\\UNC\\" + unc.substr(2)},
        {L"\\\\?\\UNC\\" + unc.substr(2), L"\\\\?\\UNC\\" + unc.substr(2)},
        {L"\\\\?\\" + local260, L"\\\\?\\" + local260},
        {L"relative\\" + local259, L"\\\\?\\relative\\" + local259},
    };
    for (const Case& c : cases) EXPECT_EQ(toLongPathForm(c.path), c.longForm) << c.path.size() << " units";
}

TEST(LongPathForm, SplitsIntoRootAndNames) {
    struct Case {
        const wchar_t* path;
        Names components;
    };
    const Case cases[] = {
        {L"\\\\?\\C:\\a\\b\\f", {L"\\\\?\\C:", L"a", L"b", L"f"}},
        {L"\\\\?\\UNC\\srv\\sh\\f", {L"\\\\?\\UNC\\srv", L"sh", L"f"}},
        {L"C:\\a\\\\b\\", {L"C:", L"a", L"", L"b"}},
        {L"\\\\server\\share\\logs\\out.txt", {L"\\\\server", L"share", L"logs", L"out.txt"}},
        {L"logs\\out.txt", {L"logs", L"out.txt"}},
        {L"out.txt", {L"out.txt"}},
        {L"\\root\\f", {L"root", L"f"}},
        {L"C:", {L"C:"}},
        {L"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitPath(c.path), c.components) << c.path;
}

TEST(LongPathForm, TellsAbsoluteAndNetworkPaths) {
    struct Case {
        const wchar_t* path;
        bool absolute, network;
    };
    const Case cases[] = {
        {L"C:\\App", true, false},
        {L"D:", true, false},
        {L"\\\\server\\share", true, true},
        {L"\\\\?\\UNC\\s\\x", true, true},
        {L"\\\\?\\C:\\x", true, false},
        {L"\\jre", false, false},
        {L"jre", false, false},
        {L"j", false, false},
        {L"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isAbsolutePath(c.path), c.absolute) << c.path;
        EXPECT_EQ(isNetworkPath(c.path), c.network) << c.path;
    }
    EXPECT_EQ(appendBackslash(L"C:\\jre"), L"C:\\jre\\");
}

TEST(FileFinder, FindsARelativeNameAndReportsItsFolder) {
    const std::wstring dir = qxtest::scratchDir(L"FileFinderRelative");
    ASSERT_TRUE(qxtest::writeFile(dir + L"\\report.txt", "x"));
    CurrentDirectory cd(dir);
    FileFinder finder;
    ASSERT_TRUE(finder.findFile(L"report.txt"));
    EXPECT_TRUE(finder.found());
    EXPECT_STREQ(finder.entry().cFileName, L"report.txt");
    EXPECT_EQ(finder.root(), dir);

    EXPECT_FALSE(finder.findFile(L"absent.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(finder.found());
    EXPECT_EQ(finder.root(), L"");
}

TEST(FileFinder, WalksEveryMatchOfAWildcard) {
    const std::wstring dir = qxtest::scratchDir(L"FileFinderWildcard");
    for (const wchar_t* name : {L"\\a.jar", L"\\b.jar", L"\\c.txt"})
        ASSERT_TRUE(qxtest::writeFile(dir + name, "x"));
    FileFinder finder;
    ASSERT_TRUE(finder.findFile(dir + L"\\*.jar"));
    Names names = {finder.entry().cFileName};
    while (finder.findNext()) names.push_back(finder.entry().cFileName);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{L"a.jar", L"b.jar"}));
    EXPECT_EQ(finder.root(), dir);
}

TEST(FileFinder, FindsFilesBeyondTheClassicLimitButRefusesHugePatterns) {
    const std::wstring deep = deepPath(qxtest::scratchDir(L"FileFinderLong"), 300);
    const std::wstring file = deep + L"\\run.ini";
    ASSERT_EQ(ensureParentDirectories(L"\\\\?\\" + file), 0u);
    ASSERT_TRUE(qxtest::writeFile(L"\\\\?\\" + file, "[A]\r\n"));
    FileFinder finder;
    ASSERT_TRUE(finder.findFile(file)) << GetLastError();
    EXPECT_EQ(finder.root(), L"\\\\?\\" + deep);

    const std::wstring huge = L"C:\\" + std::wstring(kLongestPattern - 2, L'x');
    EXPECT_FALSE(finder.findFile(huge));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(finder.found());
}

TEST(EnsureParentDirectories, CreatesEachMissingLevelOnce) {
    const std::wstring dir = qxtest::scratchDir(L"EnsureParents");
    EXPECT_EQ(ensureParentDirectories(dir + L"\\logs\\app\\out.txt"), 0u);
    EXPECT_TRUE(exists(dir + L"\\logs\\app"));
    EXPECT_FALSE(exists(dir + L"\\logs\\app\\out.txt"));
    EXPECT_EQ(ensureParentDirectories(dir + L"\\logs\\app\\out.txt"), 0u);

    ASSERT_TRUE(qxtest::writeFile(dir + L"\\logs\\app\\out.txt", "x"));
    EXPECT_EQ(ensureParentDirectories(dir + L"\\logs\\app\\out.txt"), 0u);

    const std::wstring deep = deepPath(dir, 320);
    EXPECT_EQ(ensureParentDirectories(L"\\\\?\\" + deep + L"\\out.txt"), 0u);
    EXPECT_TRUE(exists(deep));
}

TEST(EnsureParentDirectories, TakesTheFirstPartOfARelativePathAsGiven) {
    const std::wstring dir = qxtest::scratchDir(L"EnsureParentsRelative");
    CurrentDirectory cd(dir);
    EXPECT_EQ(ensureParentDirectories(L"logs\\out.txt"), 0u);
    EXPECT_FALSE(exists(dir + L"\\logs"));
    EXPECT_EQ(ensureParentDirectories(L"top\\inner\\out.txt"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(exists(dir + L"\\top"));
}

TEST(EnsureParentDirectories, RemovesTheEmptyLevelAboveAFailedOneOnlyWhenItMadeIt) {
    const std::wstring dir = qxtest::scratchDir(L"EnsureParentsFailure");
    ASSERT_TRUE(CreateDirectoryW((dir + L"\\made").c_str(), nullptr));
    ASSERT_TRUE(qxtest::writeFile(dir + L"\\blocker", "a file where a folder should be"));

    EXPECT_NE(ensureParentDirectories(dir + L"\\new\\bad|name\\out.txt"), 0u);
    EXPECT_FALSE(exists(dir + L"\\new"));
    EXPECT_NE(ensureParentDirectories(dir + L"\\made\\bad|name\\out.txt"), 0u);
    EXPECT_TRUE(exists(dir + L"\\made")) << "an empty folder that was there before stays";
    EXPECT_NE(ensureParentDirectories(dir + L"\\made\\inner\\bad|name\\out.txt"), 0u);
    EXPECT_FALSE(exists(dir + L"\\made\\inner"));
    EXPECT_TRUE(exists(dir + L"\\made"));
    EXPECT_NE(ensureParentDirectories(dir + L"\\blocker\\sub\\out.txt"), 0u);
    EXPECT_TRUE(exists(dir + L"\\blocker"));
}

// A target such as "\\" (or a value that expands to it) names no folder; opening it reports the fault.
TEST(EnsureParentDirectories, PathsWithoutFoldersLeaveNothingToDo) {
    for (const wchar_t* path : {L"\\", L"", L"\\\\?\\", L"\\\\", L"C:"}) {
        EXPECT_EQ(ensureParentDirectories(path), 0u) << qxtest::narrow(path);
    }
}

TEST(RemoveDirectoryLong, RemovesEmptyFoldersBeyondTheClassicLimit) {
    const std::wstring deep = deepPath(qxtest::scratchDir(L"RemoveDirectoryLong"), 300);
    ASSERT_EQ(ensureParentDirectories(L"\\\\?\\" + deep + L"\\x"), 0u);
    ASSERT_TRUE(qxtest::writeFile(L"\\\\?\\" + deep + L"\\x", "x"));
    EXPECT_FALSE(removeDirectoryLong(deep));
    ASSERT_TRUE(DeleteFileW((L"\\\\?\\" + deep + L"\\x").c_str()));
    EXPECT_TRUE(removeDirectoryLong(deep));
    EXPECT_FALSE(exists(deep));
}

TEST(ExpandEnvironment, ReplacesSetVariablesAndKeepsUnsetOnes) {
    SetEnvironmentVariableW(L"QX_TEST_HOME", L"C:\\Java\\jdk");
    SetEnvironmentVariableW(L"QX_TEST_UNSET", nullptr);
    const std::wstring longValue(5000, L'v');
    SetEnvironmentVariableW(L"QX_TEST_LONG", longValue.c_str());
    struct Case {
        std::wstring text, expanded;
    };
    const Case cases[] = {
        {L"%QX_TEST_HOME%\\bin", L"C:\\Java\\jdk\\bin"},
        {L"%QX_TEST_UNSET%", L"%QX_TEST_UNSET%"},
        {L"a %QX_TEST_UNSET% b %QX_TEST_HOME%", L"a %QX_TEST_UNSET% b C:\\Java\\jdk"},
        {L"100% sure", L"100% sure"},
        {L"", L""},
        {L"<%QX_TEST_LONG%>", L"<" + longValue + L">"},
    };
    for (const Case& c : cases) EXPECT_EQ(expandEnvironment(c.text), c.expanded) << c.text;

    std::wstring value = L"untouched";
    EXPECT_FALSE(environmentVariable(L"QX_TEST_UNSET", value));
    EXPECT_EQ(value, L"untouched");
    ASSERT_TRUE(environmentVariable(L"QX_TEST_LONG", value));
    EXPECT_EQ(value, longValue);
}

}  // namespace
}  // namespace qx
