// The settings file read through the Windows profile functions, and the layered lookup of embedded
// text over real files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "base/split_text.h"
#include "config/ini_file_store.h"
#include "config/layered_store.h"
#include "config/profile_file.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

using Names = std::vector<std::wstring>;

std::string utf16Bytes(const std::wstring& text, bool bigEndian = false) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(bigEndian ? c >> 8 : c & 0xFF));
        bytes.push_back(static_cast<char>(bigEndian ? c & 0xFF : c >> 8));
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

// The value as the platform's own profile functions read the file.
std::wstring platformValue(const std::wstring& path, const std::wstring& section, const std::wstring& key) {
    std::wstring value(4096, L'\0');
    value.resize(GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", value.data(),
                                          static_cast<DWORD>(value.size()), path.c_str()));
    return value;
}

// Headers of `section` in the file, whatever their case.
int headersOf(const std::wstring& path, const std::wstring& section) {
    std::string bytes;
    if (!qxtest::readFile(path, bytes)) return 0;
    int count = 0;
    std::vector<std::wstring> lines;
    splitText(decodeProfileBytes(bytes), L"\r\n", lines);
    for (const std::wstring& line : lines) {
        if (_wcsicmp(line.c_str(), (L"[" + section + L"]").c_str()) == 0) ++count;
    }
    return count;
}

// "JRE Path" written into a settings file of any kind reads back exactly, by the launcher and by the
// platform's profile functions alike; every other key keeps its value, and the file keeps its encoding
// where it can hold the value and the profile functions know it (else it becomes UTF-16LE with a mark).
TEST(IniFileStore, AWrittenValueReadsBackExactlyAndLeavesTheRestAsItWas) {
    const std::wstring jre = L"Java Runtime Environment";
    const std::wstring unicode =
        L"[Java Runtime Environment]\r\nMain Class=qx.App\r\nVirtual Machine Parameters=-Dname=Gr\x00F6\x00DF"
        L"e \x65E5\r\nJRE Path=C:\\old\\\r\n\r\n[Application]\r\nSplash Image=\x03A9.png\r\n";
    struct File {
        const char* kind;
        bool exists;
        std::string bytes;
        bool staysAnsi;  // when the value has an exact form in the ANSI code page
    } const files[] = {
        {"new", false, "", false},
        {"empty", true, "", false},
        {"ANSI", true,
         "; Gr\xF6\xDF"
         "e\r\n[Java Runtime Environment]\r\nMain Class=qx.App\r\n"
         "Virtual Machine Parameters=-Dname=Gr\xF6\xDF"
         "e\r\n\r\n[Application]\r\nSplash Image=a.png",
         true},
        // The mark glued to the first header, as Windows' profile functions would read it.
        {"UTF-8 with a mark", true, "\xEF\xBB\xBF" + qxtest::narrow(unicode), false},
        {"UTF-16LE", true, "\xFF\xFE" + utf16Bytes(unicode), false},
        {"UTF-16BE", true, "\xFE\xFF" + utf16Bytes(unicode, true), false},
        // Only the first section of a name is read, so the value goes there.
        {"two sections of the name", true,
         "[Java Runtime Environment]\r\nMain Class=a\r\n[Other]\r\nk=v\r\n[java runtime environment]\r\n"
         "JRE Path=never read\r\n",
         true},
    };
    const struct {
        std::wstring text;
        bool ansi;
    } values[] = {{L"C:\\Java\\jdk17\\", true},
                  {L"C:\\Users\\J\x00F6rg\\Java \x03A9\x03BB \x65E5\x672C\\", false},
                  {L" 'C:\\odd' ", true}};
    const std::pair<std::wstring, std::wstring> others[] = {{jre, L"Main Class"},
                                                            {jre, L"Virtual Machine Parameters"},
                                                            {L"Application", L"Splash Image"},
                                                            {L"Other", L"k"}};
    for (const File& file : files) {
        for (const auto& value : values) {
            const std::string what = std::string(file.kind) + ", " + qxtest::narrow(value.text);
            const std::wstring dir = qxtest::scratchDir(L"IniFileStoreWriteTable");
            const std::wstring path = dir + L"\\user.ini";
            if (file.exists) {
                ASSERT_TRUE(qxtest::writeFile(path, file.bytes));
            }
            std::vector<std::wstring> before;
            for (const auto& [section, key] : others) before.push_back(fileValue(path, section, key));
            const int sections = std::max(1, headersOf(path, jre));

            IniFileStore(path).setValue(jre, L"JRE Path", value.text);

            EXPECT_EQ(fileValue(path, jre, L"JRE Path"), value.text) << what;
            EXPECT_EQ(platformValue(path, jre, L"JRE Path"), value.text) << what;
            for (size_t i = 0; i < before.size(); ++i) {
                const auto& [section, key] = others[i];
                EXPECT_EQ(fileValue(path, section, key), before[i]) << what << ": " << qxtest::narrow(key);
                EXPECT_EQ(platformValue(path, section, key), before[i])
                    << what << ": " << qxtest::narrow(key);
            }
            EXPECT_EQ(headersOf(path, jre), sections) << what;
            std::string bytes;
            ASSERT_TRUE(qxtest::readFile(path, bytes));
            EXPECT_EQ(bytes.rfind("\xFF\xFE", 0) == 0, !(file.staysAnsi && value.ansi)) << what;
            // The new text went in by a rename: nothing is left beside the file.
            WIN32_FIND_DATAW found;
            UniqueFind find(FindFirstFileW((dir + L"\\*.new").c_str(), &found));
            EXPECT_FALSE(find) << what;
        }
    }

    // A read-only file is left as it is, as the profile functions leave it.
    const std::wstring path = qxtest::scratchDir(L"IniFileStoreReadOnly") + L"\\user.ini";
    ASSERT_TRUE(qxtest::writeFile(path, "[Java Runtime Environment]\r\nJRE Path=C:\\old\r\n"));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    IniFileStore(path).setValue(jre, L"JRE Path", L"C:\\new");
    EXPECT_EQ(fileValue(path, jre, L"JRE Path"), L"C:\\old");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
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
