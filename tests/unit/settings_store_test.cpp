// The settings file read through the Windows profile functions, and the layered lookup of embedded
// text over real files.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "config/ini_file_store.h"
#include "config/layered_store.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using Names = std::vector<std::wstring>;

std::string utf16Bytes(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::wstring fileValue(const std::wstring& path, const std::wstring& section, const std::wstring& key) {
    std::wstring value = L"stale";  // the file store always replaces its output
    IniFileStore(path).getValue(section, key, value);
    return value;
}

TEST(IniFileStore, ReadsValuesOfAnyLengthAndEncoding) {
    const std::wstring dir = qxtest::scratchDir(L"IniFileStoreValues");
    const std::string v255(255, 'a'), v256(256, 'b'), v3000(3000, 'c'), v1m(1 << 20, 'd');
    std::string junk;
    for (int i = 0; i < 65536; ++i) {
        const char c = static_cast<char>((i * 7919 + 13) & 0xFF);
        junk.push_back(c == '[' ? 'x' : c);
    }
    struct Case {
        const wchar_t* name;
        std::string bytes;
        const wchar_t* section;
        const wchar_t* key;
        std::wstring value;
    };
    const Case cases[] = {
        {L"crlf.ini", "[A]\r\nk=v\r\n", L"A", L"k", L"v"},
        {L"lf.ini", "[A]\nk=v\nm=w\n", L"A", L"m", L"w"},
        {L"spaces.ini", "[A]\r\n  k  =  v w  \r\n", L"A", L"k", L"v w"},
        {L"case.ini", "[application]\r\nmain class=x.Y\r\n", L"Application", L"Main Class", L"x.Y"},
        {L"utf16.ini", "\xFF\xFE" + utf16Bytes(L"[A]\r\nk=v\x00E4lue \x4E2D\r\n"), L"A", L"k",
         L"v\x00E4lue \x4E2D"},
        {L"junk.ini", junk, L"A", L"k", L""},
        {L"v255.ini", "[A]\r\nk=" + v255 + "\r\n", L"A", L"k", std::wstring(255, L'a')},
        {L"v256.ini", "[A]\r\nk=" + v256 + "\r\n", L"A", L"k", std::wstring(256, L'b')},
        {L"v3000.ini", "[A]\r\nk=" + v3000 + "\r\n", L"A", L"k", std::wstring(3000, L'c')},
        {L"v1m.ini", "[A]\r\nk=" + v1m + "\r\n", L"A", L"k", std::wstring(1 << 20, L'd')},
        {L"nokey.ini", "[A]\r\nk=v\r\n", L"A", L"other", L""},
        {L"nosection.ini", "[A]\r\nk=v\r\n", L"B", L"k", L""},
    };
    for (const Case& c : cases) {
        const std::wstring path = dir + L"\\" + c.name;
        ASSERT_TRUE(qxtest::writeFile(path, c.bytes));
        const std::wstring value = fileValue(path, c.section, c.key);
        EXPECT_EQ(value.size(), c.value.size()) << c.name;
        EXPECT_TRUE(value == c.value) << c.name;
    }
}

TEST(IniFileStore, MissingFileOrDirectoryGivesEmptyValues) {
    const std::wstring dir = qxtest::scratchDir(L"IniFileStoreMissing");
    ASSERT_TRUE(CreateDirectoryW((dir + L"\\folder.ini").c_str(), nullptr));
    for (const wchar_t* name : {L"\\absent.ini", L"\\folder.ini", L"\\no such dir\\x.ini"}) {
        EXPECT_EQ(fileValue(dir + name, L"A", L"k"), L"") << name;
        Names names = {L"stale"};
        IniFileStore(dir + name).getSectionNames(names);
        EXPECT_TRUE(names.empty()) << name;
    }
}

TEST(IniFileStore, ListsEverySectionNameHoweverLongTheList) {
    const std::wstring dir = qxtest::scratchDir(L"IniFileStoreSections");
    std::string text;
    Names expected;
    for (int i = 0; i < 120; ++i) {
        const std::string name = "Section number " + std::to_string(i);
        text += "[" + name + "]\r\nk=v\r\n";
        expected.push_back(qxtest::widen(name));
    }
    ASSERT_TRUE(qxtest::writeFile(dir + L"\\many.ini", text));
    Names names;
    IniFileStore(dir + L"\\many.ini").getSectionNames(names);
    EXPECT_EQ(names, expected);
}

TEST(IniFileStore, WritesAreSeenByTheNextLookupAndDeleteRemovesTheFile) {
    const std::wstring path = qxtest::scratchDir(L"IniFileStoreWrite") + L"\\user.ini";
    IniFileStore store(path);
    store.setValue(L"Java Runtime Environment", L"JRE Path", L"C:\\Java\\jre");
    EXPECT_EQ(fileValue(path, L"Java Runtime Environment", L"JRE Path"), L"C:\\Java\\jre");
    store.setValue(L"Java Runtime Environment", L"JRE Path", L"D:\\other");
    EXPECT_EQ(fileValue(path, L"Java Runtime Environment", L"JRE Path"), L"D:\\other");
    store.deleteBackingFile();
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fileValue(path, L"Java Runtime Environment", L"JRE Path"), L"");
}

TEST(LayeredStore, FileReplacesEmbeddedValuesAndPlusSectionExtendsThem) {
    const std::wstring dir = qxtest::scratchDir(L"LayeredStore");
    const wchar_t* kEmbedded = L"[Java Runtime Environment]\r\nVirtual Machine Parameters=-Xmx256m\r\n";
    struct Case {
        const wchar_t* embedded;
        const char* file;
        const wchar_t* value;
    };
    const Case cases[] = {
        {kEmbedded, "", L"-Xmx256m"},
        {kEmbedded, "[Java Runtime Environment+]\r\nVirtual Machine Parameters=-Dx=1\r\n", L"-Xmx256m -Dx=1"},
        {kEmbedded, "[Java Runtime Environment]\r\nVirtual Machine Parameters=-Dx=1\r\n", L"-Dx=1"},
        {kEmbedded,
         "[Java Runtime Environment]\r\nVirtual Machine Parameters=-Dx=1\r\n"
         "[Java Runtime Environment+]\r\nVirtual Machine Parameters=-Dy=2\r\n",
         L"-Dx=1"},
        {kEmbedded, "[Java Runtime Environment]\r\nVirtual Machine Parameters=\r\n", L"-Xmx256m"},
        {kEmbedded, "[Java Runtime Environment+]\r\nVirtual Machine Parameters=\" -Dx=1\"\r\n",
         L"-Xmx256m -Dx=1"},
        {L"", "[Java Runtime Environment+]\r\nVirtual Machine Parameters=abc\r\n", L" abc"},
        {L"", "[Java Runtime Environment]\r\nVirtual Machine Parameters=abc\r\n", L"abc"},
        {L"", "", L""},
        {L"[Java Runtime Environment]\r\nVirtual Machine Parameters=\r\n",
         "[Java Runtime Environment+]\r\nVirtual Machine Parameters=x\r\n", L" x"},
        {L"[java runtime environment]\r\nVirtual Machine Parameters=-Xmx1g\r\n", "", L""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring path = dir + L"\\case" + std::to_wstring(n++) + L".ini";
        ASSERT_TRUE(qxtest::writeFile(path, c.file));
        LayeredStore store(path);
        store.parseText(c.embedded);
        std::wstring value = L"stale";
        store.getValue(L"Java Runtime Environment", L"Virtual Machine Parameters", value);
        EXPECT_EQ(value, c.value) << "embedded '" << c.embedded << "', file '" << c.file << "'";
    }
}

TEST(LayeredStore, EitherBaseAnswersLayeredButOtherOperationsStayTheBases) {
    const std::wstring path = qxtest::scratchDir(L"LayeredStoreBases") + L"\\run.ini";
    ASSERT_TRUE(qxtest::writeFile(path, "[Application+]\r\nCmd=-b\r\n[File Only]\r\nk=v\r\n"));
    LayeredStore store(path);
    store.parseText(L"[Application]\r\nCmd=-a\r\n[Text Only]\r\nk=v\r\n");

    std::wstring throughFile, throughText;
    static_cast<SettingsStore&>(store.file()).getValue(L"Application", L"Cmd", throughFile);
    static_cast<SettingsStore&>(store.text()).getValue(L"Application", L"Cmd", throughText);
    EXPECT_EQ(throughFile, L"-a -b");
    EXPECT_EQ(throughText, L"-a -b");

    Names fileNames, textNames;
    static_cast<SettingsStore&>(store.file()).getSectionNames(fileNames);
    static_cast<SettingsStore&>(store.text()).getSectionNames(textNames);
    EXPECT_EQ(fileNames, (Names{L"Application+", L"File Only"}));
    EXPECT_EQ(textNames, (Names{L"Application", L"Text Only"}));

    static_cast<SettingsStore&>(store.file()).setValue(L"Application", L"Cmd", L"-c");
    EXPECT_EQ(store.value(L"Application", L"Cmd"), L"-c");
}

}  // namespace
}  // namespace qx
