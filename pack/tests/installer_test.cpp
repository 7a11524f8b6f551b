#include <gtest/gtest.h>

#include "core/text_codec.h"
#include "installer/product_identity.h"
#include "installer/wix_writer.h"

namespace qxpack {
namespace {

TEST(WixWriter, EscapesEveryValueAndNestsElements) {
    const struct {
        std::string value;
        std::string written;
    } cases[] = {
        {"Tom & Jerry's \"App\"", "Tom &amp; Jerry&apos;s &quot;App&quot;"},
        {"<script>", "&lt;script&gt;"},
        {"a\tb\nc\x01", "a&#x9;b&#xA;c&#x1;"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"[INSTALLDIR]", "[INSTALLDIR]"},
    };
    for (const auto& c : cases) {
        XmlWriter xml;
        xml.open("Product", {{"Name", c.value}});
        xml.leaf("Property", {{"Id", "P"}, {"Value", c.value}});
        xml.open("Condition");
        xml.text(c.value);
        const std::string document = xml.finish();
        EXPECT_EQ(document, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Product Name=\"" + c.written +
                                "\">\n  <Property Id=\"P\" Value=\"" + c.written + "\"/>\n  <Condition>" +
                                c.written + "</Condition>\n</Product>\n")
            << c.value;
    }
}

TEST(InstallerRules, RefuseWhatWindowsInstallerCannotHold) {
    EXPECT_TRUE(isBracedGuid("{3F2A9C41-7B0D-4E58-A1C6-52D09E7B13F4}"));
    EXPECT_TRUE(isBracedGuid("{3f2a9c41-7b0d-4e58-a1c6-52d09e7b13f4}"));
    for (const char* bad :
         {"3F2A9C41-7B0D-4E58-A1C6-52D09E7B13F4", "{3F2A9C41-7B0D-4E58-A1C6-52D09E7B13F}",
          "{3F2A9C41-7B0D-4E58-A1C6-52D09E7B13FX}", "{3F2A9C417B0D-4E58-A1C6-52D09E7B13F40}", ""})
        EXPECT_FALSE(isBracedGuid(bad)) << bad;

    const struct {
        std::u16string name;
        bool fits;
    } names[] = {
        {u"Tom & Jerry's App", true}, {u"Gr\u00fc\u00dfe", true}, {u"Console", true},    {u"A/B", false},
        {u"Say \"hi\"", false},       {u"Tab\tName", false},      {u"Trailing.", false}, {u"CON", false},
        {u"lpt1.txt", false},         {u"con.app", false},        {u"  ", false}};
    for (const auto& n : names) EXPECT_EQ(fileNameProblem(n.name).empty(), n.fits) << toUtf8(n.name);

    std::string version;
    std::string error;
    EXPECT_TRUE(installerVersion({255, 255, 65535, 9}, version, error));
    EXPECT_EQ(version, "255.255.65535");
    EXPECT_FALSE(installerVersion({256, 0, 0, 0}, version, error));
    EXPECT_FALSE(installerVersion({1, 256, 0, 0}, version, error));
    EXPECT_NE(error.find("255.255.65535"), std::string::npos);

    EXPECT_EQ(formattedLiteral(u"App [beta] {x}"), u"App [\\[]beta[\\]] [\\{]x[\\}]");
}

}  // namespace
}  // namespace qxpack
