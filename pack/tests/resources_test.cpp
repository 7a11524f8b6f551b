#include <gtest/gtest.h>

#include "pe/icon_resources.h"
#include "pe/version_resource.h"
#include "settings/ini_edit.h"
#include "synthetic_pe.h"
#include "test_files.h"

namespace qxpack {
namespace {

TEST(IconFile, EveryImageIsReadWithItsDirectoryEntry) {
    const Bytes ico = test::icoFile({{16, 32}, {32, 32}, {0, 32}});
    std::vector<IconImage> images;
    std::string error;
    ASSERT_TRUE(parseIcoFile(ico, images, error)) << error;
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].width, 16);
    EXPECT_EQ(images[2].width, 0);
    EXPECT_EQ(images[1].bitCount, 32);
    EXPECT_EQ(images[1].data, test::iconImage(32, 32));
}

TEST(IconGroup, ReplacesThePlaceholderKeepingItsIdAndLanguage) {
    ResourceTable table = test::launcherLikeResources();
    std::vector<IconImage> images;
    std::string error;
    ASSERT_TRUE(parseIcoFile(test::icoFile({{16, 8}, {48, 32}}), images, error)) << error;
    replaceIconGroup(table, ResourceId::number(1), images);

    const Resource* group = findResource(table, kTypeGroupIcon, ResourceId::number(1));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->language, 0x409);
    std::vector<IconSize> sizes;
    ASSERT_TRUE(iconGroupSizes(group->data, sizes));
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].width, 16u);
    EXPECT_EQ(sizes[0].bitCount, 8u);
    EXPECT_EQ(sizes[1].height, 48u);

    // The group's entries name RT_ICON resources that hold exactly the file's images.
    const ByteReader in(group->data);
    for (size_t i = 0; i < 2; ++i) {
        const uint16_t id = in.u16(6 + 14 * i + 12);
        const Resource* icon = findResource(table, kTypeIcon, ResourceId::number(id));
        ASSERT_NE(icon, nullptr) << id;
        EXPECT_EQ(icon->data, images[i].data);
        EXPECT_EQ(in.u32(6 + 14 * i + 8), images[i].data.size());
    }
    size_t iconCount = 0;
    for (const Resource& r : table) iconCount += r.type == ResourceId::number(kTypeIcon) ? 1 : 0;
    EXPECT_EQ(iconCount, 2u) << "the placeholder's image is gone";
    EXPECT_NE(findResource(table, kTypeManifest, ResourceId::number(1)), nullptr);
}

TEST(IconGroup, PngImagesOf256PixelsReportAs256) {
    std::vector<IconSize> sizes;
    const Bytes group = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0, 10, 0, 0, 0, 1, 0};
    ASSERT_TRUE(iconGroupSizes(group, sizes));
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].width, 256u);
    EXPECT_EQ(sizes[0].height, 256u);
}

TEST(VersionResource, BuiltResourceReadsBack) {
    VersionInfo info;
    info.fileVersion = {1, 2, 3, 4};
    info.productVersion = {5, 6, 0, 65535};
    info.strings = {{u"CompanyName", u"Example Ltd"},
                    {u"FileDescription", u"Odd length"},
                    {u"ProductName", u"\u00c9t\u00e9"}};
    const Bytes data = buildVersionResource(info);
    VersionInfo back;
    std::string error;
    ASSERT_TRUE(parseVersionResource(data, back, error)) << error;
    EXPECT_EQ(back.fileVersion, info.fileVersion);
    EXPECT_EQ(back.productVersion, info.productVersion);
    EXPECT_EQ(back.strings, info.strings);
    EXPECT_EQ(back.language, 0x409);
    EXPECT_EQ(back.codePage, 1200);
}

TEST(VersionResource, LayoutMatchesTheFormat) {
    VersionInfo info;
    info.strings = {{u"A", u"xy"}};
    const Bytes data = buildVersionResource(info);
    const ByteReader in(data);
    EXPECT_EQ(in.u16(0), data.size());
    EXPECT_EQ(in.u16(2), 52u) << "fixed file info length";
    // "VS_VERSION_INFO" and its NUL end at 6 + 32 = 38; the fixed info is aligned to 40.
    EXPECT_EQ(in.u32(40), 0xFEEF04BDu);
    // StringFileInfo follows the fixed info at 92; its table is keyed "040904b0".
    EXPECT_EQ(in.u16(92 + 6), u'S');
    const size_t table = 92 + alignUp(6 + 2 * 15, 4);
    EXPECT_EQ(in.u16(table + 6), u'0');
    EXPECT_EQ(in.u16(table + 6 + 2 * 5), u'4');
    EXPECT_EQ(in.u16(table + 6 + 2 * 7), u'0');
    // The one string: value length counts characters with the NUL.
    const size_t string = table + alignUp(6 + 2 * 9, 4);
    EXPECT_EQ(in.u16(string + 2), 3u);
    EXPECT_EQ(in.u16(string + 4), 1u);
    EXPECT_EQ(in.u16(string), 12 + 6) << "header and \"A\\0\" padded to 12, then \"xy\\0\"";
}

TEST(VersionNumbers, ParsesOnlyUpToFourDottedNumbers) {
    const std::pair<const char*, bool> cases[] = {
        {"1.2.3.4", true}, {"2.1", true}, {"7", true},     {"65535.0.0.0", true},
        {"", false},       {"1.", false}, {"1..2", false}, {"1.2.3.4.5", false},
        {"65536", false},  {"v1", false}, {"1.2a", false}};
    for (const auto& [text, ok] : cases) {
        VersionNumbers v{9, 9, 9, 9};
        EXPECT_EQ(parseVersionNumbers(text, v), ok) << text;
    }
    VersionNumbers v;
    ASSERT_TRUE(parseVersionNumbers("2.1", v));
    EXPECT_EQ(v, (VersionNumbers{2, 1, 0, 0}));
}

TEST(IniEdit, ReadsLikeTheLauncher) {
    const std::u16string text =
        u"\uFEFF[Java Runtime Environment]\r\n  Main Class = a.B \r\n[Application]\nX=1\n[java runtime "
        u"environment]\nMain Class=c.D\n";
    EXPECT_EQ(iniValue(text, u"Java Runtime Environment", u"Main Class", NameMatch::Exact), u"a.B");
    EXPECT_EQ(iniValue(text, u"JAVA RUNTIME ENVIRONMENT", u"main class", NameMatch::IgnoreCase), u"a.B");
    EXPECT_EQ(iniValue(text, u"java runtime environment", u"Main Class", NameMatch::Exact), u"c.D");
    EXPECT_EQ(iniValue(text, u"Application", u"Main Class", NameMatch::Exact), u"");
    EXPECT_EQ(iniValue(text, u"Application", u"X", NameMatch::Exact), u"1");
}

TEST(IniEdit, SetsValuesWithoutDisturbingOtherLines) {
    const struct {
        const char* name;
        std::u16string before;
        std::u16string after;
    } cases[] = {
        {"replaces the key's line", u"; c\n[Application]\nembedded jar=No\nK=V\n",
         u"; c\r\n[Application]\r\nEmbedded Jar=Yes\r\nK=V\r\n"},
        {"adds after the section's last entry", u"[Application]\nK=V\n\n[Other]\nZ=1\n",
         u"[Application]\r\nK=V\r\nEmbedded Jar=Yes\r\n\r\n[Other]\r\nZ=1\r\n"},
        {"appends the section", u"[Other]\nZ=1",
         u"[Other]\r\nZ=1\r\n\r\n[Application]\r\nEmbedded Jar=Yes\r\n"},
        {"starts an empty text", u"", u"[Application]\r\nEmbedded Jar=Yes\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withIniValue(c.before, u"Application", u"Embedded Jar", u"Yes"), c.after) << c.name;
    }
}

}  // namespace
}  // namespace qxpack
