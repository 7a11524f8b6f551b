// INI text parsed in memory (the embedded settings) and looked up exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ini_text_store.h"

namespace qx {
namespace {

using Names = std::vector<std::wstring>;

// The value the store gives, or "<none>" when the lookup leaves the output alone.
std::wstring lookup(IniTextStore& store, const std::wstring& section, const std::wstring& key) {
    std::wstring value = L"<none>";
    store.getValue(section, key, value);
    return value;
}

struct LookupCase {
    const wchar_t* text;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
};

TEST(IniText, LinesKeysAndValuesAsTheLauncherReadsThem) {
    const LookupCase cases[] = {
        {L"[Application]\r\nMain Class = com.example.App \r\n", L"Application", L"Main Class",
         L"com.example.App"},
        {L"[A]\r\nkey=a=b", L"A", L"key", L"a=b"},
        {L"[A]\r\n=x", L"A", L"", L"x"},
        {L"[A]\r\nnovalue\r\nk=v", L"A", L"novalue", L"<none>"},
        {L"[A]\r\n\tkey\t=\tv w\t\r\n", L"A", L"key", L"v w"},
        {L"[A]\r\nk=\"quoted\" ", L"A", L"k", L"\"quoted\""},
        {L"[A]\r\nk=", L"A", L"k", L""},
        {L"[A]\r\n; note=1", L"A", L"; note", L"1"},
        {L"[A]\r\n# note=1", L"A", L"# note", L"1"},
        {L"k=before\r\n[A]\r\nk=after", L"A", L"k", L"after"},
        {L"k=before\r\n[A]", L"", L"k", L"<none>"},
        {L"\xFEFF[A]\r\nk=v", L"A", L"k", L"v"},
        {L"[A]\nk=v\nm=w", L"A", L"k", L"<none>"},
        {L"[A]\r\nk=v\nm=w", L"A", L"k", L"v\nm=w"},
        {L"[A]\r\nk=v\rm=w", L"A", L"k", L"v\rm=w"},
        {L"[A]\r\nK=v", L"A", L"k", L"<none>"},
        {L"[A]\r\nk=v", L"a", L"k", L"<none>"},
        {L"[A]\r\nk=1\r\nk=2", L"A", L"k", L"1"},
        {L"[A]\r\nk=1\r\n[A]\r\nm=2", L"A", L"m", L"<none>"},
        {L"  [A]  \r\nk=v", L"A", L"k", L"v"},
        {L"[ Java Runtime Environment ]\r\nk=v", L"Java Runtime Environment", L"k", L"<none>"},
        {L"[ Java Runtime Environment ]\r\nk=v", L" Java Runtime Environment ", L"k", L"v"},
        {L"[A] [B]\r\nk=v", L"A] [B", L"k", L"v"},
        {L"[A]\r\n[B] ; later=x\r\nk=v", L"A", L"[B] ; later", L"x"},
        {L"[A]\r\n[B] ; later\r\nk=v", L"A", L"k", L"v"},
        {L"[A]\r\nx=1\r\n[B] # c\r\nk=v", L"B", L"k", L"<none>"},
        {L"[]\r\nk=v", L"", L"k", L"v"},
    };
    for (const LookupCase& c : cases) {
        IniTextStore store;
        store.parseText(c.text);
        EXPECT_EQ(lookup(store, c.section, c.key), c.value)
            << "text '" << c.text << "', [" << c.section << "] " << c.key;
    }
}

TEST(IniText, SectionNamesComeInOrderWithRepeats) {
    IniTextStore store;
    store.parseText(L"junk\r\n[B]\r\n\r\n[A]\r\nk=v\r\n[B]\r\n[ C ]\r\n[not a header\r\n");
    Names names = {L"stale"};
    store.getSectionNames(names);
    EXPECT_EQ(names, (Names{L"B", L"A", L"B", L" C "}));
}

TEST(IniText, ParsingReplacesEverythingHeldBefore) {
    IniTextStore store;
    store.parseText(L"[A]\r\nk=old");
    store.parseText(L"[B]\r\nm=new");
    EXPECT_EQ(lookup(store, L"A", L"k"), L"<none>");
    EXPECT_EQ(lookup(store, L"B", L"m"), L"new");
    store.parseText(L"text without any header\r\nk=v");
    Names names;
    store.getSectionNames(names);
    EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace qx
