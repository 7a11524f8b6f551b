#include <gtest/gtest.h>

#include "core/text_codec.h"
#include "package/package_build.h"
#include "package/package_inspect.h"
#include "pe/pe_resources.h"
#include "settings/ini_edit.h"
#include "settings/settings_cipher.h"
#include "synthetic_pe.h"
#include "test_files.h"

namespace qxpack {
namespace {

constexpr char kUpgradeCode[] = "{4C1A7D52-0E6B-4F3A-9D2E-5B7C00DE0021}";
constexpr char kEmbedded[] = "[Java Runtime Environment]\nMain Class=demo.Main\nMinimum Version=11\n";
constexpr char kIni[] = "; user settings\r\n[Application]\r\nSingle Instance=yes\r\n";

using test::SyntheticOptions;

PackageInputs fullInputs() {
    PackageInputs in;
    SyntheticOptions options;
    options.resourcesLast = false;
    in.launcher = test::syntheticPe(test::launcherLikeResources(), options);
    in.outputFileName = "Demo App.exe";
    in.icon = test::icoFile({{16, 32}, {32, 32}, {48, 8}});
    in.iniFile = test::textBytes(kIni);
    in.embeddedText = test::textBytes(kEmbedded);
    in.jar = test::zipFile({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"}, {"demo/Main.class", "x"}});
    in.upgradeCode = kUpgradeCode;
    in.passPhrase = "0123456789ABCDEF0123456789ABCDEF";
    in.version.fileVersion = "2.5.1.7";
    in.version.strings = {{"CompanyName", "Example Ltd"},
                          {"ProductName", "Demo"},
                          {"LegalCopyright", "(c) 2026"},
                          {"FileDescription", "Demo application"}};
    return in;
}

PackageOutputs assembled(const PackageInputs& in) {
    PackageOutputs out;
    std::string error;
    EXPECT_TRUE(assemblePackage(in, out, error)) << error;
    return out;
}

TEST(BuildPackage, SameInputsGiveIdenticalBytes) {
    const PackageOutputs a = assembled(fullInputs());
    const PackageOutputs b = assembled(fullInputs());
    EXPECT_EQ(a.executable, b.executable);
    EXPECT_EQ(a.iniFile, b.iniFile);
    PackageInputs other = fullInputs();
    other.passPhrase = "another";
    EXPECT_NE(assembled(other).executable, a.executable) << "the pass phrase reaches the output";
}

TEST(BuildPackage, InspectionFindsEverythingThatWentIn) {
    const PackageOutputs out = assembled(fullInputs());
    PackageReport report;
    std::string error;
    ASSERT_TRUE(inspectPackage(out.executable, kUpgradeCode, PeAcceptance{}, report, error)) << error;

    ASSERT_TRUE(report.settingsText.has_value());
    const std::u16string& text = *report.settingsText;
    EXPECT_EQ(iniValue(text, u"Java Runtime Environment", u"Main Class", NameMatch::Exact), u"demo.Main");
    EXPECT_EQ(iniValue(text, u"Application", u"Embedded Jar", NameMatch::Exact), u"Yes");
    EXPECT_EQ(text.find(u'\n'), text.find(u"\r\n") + 1) << "CR LF line ends";

    ASSERT_EQ(report.iconGroups.size(), 1u);
    ASSERT_EQ(report.iconGroups[0].size(), 3u);
    EXPECT_EQ(report.iconGroups[0][2].width, 48u);
    EXPECT_EQ(report.iconGroups[0][2].bitCount, 8u);

    ASSERT_TRUE(report.version.has_value());
    EXPECT_EQ(versionText(report.version->fileVersion), "2.5.1.7");
    EXPECT_EQ(versionText(report.version->productVersion), "2.5.1.7");
    EXPECT_EQ(report.version->value(u"CompanyName"), u"Example Ltd");
    EXPECT_EQ(report.version->value(u"OriginalFilename"), u"Demo App.exe");
    EXPECT_EQ(report.version->value(u"InternalName"), u"Demo App");
    EXPECT_EQ(report.version->value(u"FileVersion"), u"2.5.1.7");
    EXPECT_EQ(report.launcherVersion, u"1.0.0.0");
    ASSERT_TRUE(report.jarEntries.has_value());
    EXPECT_EQ(*report.jarEntries, 2u);

    ASSERT_TRUE(out.iniFile.has_value());
    const std::u16string ini = decodeTextFile(*out.iniFile).text;
    EXPECT_EQ(iniValue(ini, u"Product Information", u"Upgrade Code", NameMatch::IgnoreCase),
              fromAscii(kUpgradeCode));
    EXPECT_EQ(ini.substr(0, 48), fromAscii(kIni).substr(0, 48)) << "the user's lines stay";

    PackageReport wrongCode;
    ASSERT_TRUE(inspectPackage(out.executable, "{other}", PeAcceptance{}, wrongCode, error)) << error;
    EXPECT_NE(wrongCode.settingsText, report.settingsText);
}

TEST(BuildPackage, EitherSixtyFourBitLauncherIsPackagedAndNamedByInspect) {
    for (uint16_t machine : {kMachineAmd64, kMachineArm64}) {
        PackageInputs in = fullInputs();
        SyntheticOptions options = test::forMachine(machine);
        options.resourcesLast = false;
        in.launcher = test::syntheticPe(test::launcherLikeResources(), options);
        const PackageOutputs out = assembled(in);
        PackageReport report;
        std::string error;
        ASSERT_TRUE(inspectPackage(out.executable, kUpgradeCode, PeAcceptance{}, report, error)) << error;
        EXPECT_EQ(report.machine, machine);
        EXPECT_EQ(formatReport(report).rfind("Machine: " + machineName(machine) + "\n", 0), 0u)
            << formatReport(report);
        ASSERT_TRUE(report.settingsText.has_value()) << machineName(machine);
        EXPECT_EQ(
            iniValue(*report.settingsText, u"Java Runtime Environment", u"Main Class", NameMatch::Exact),
            u"demo.Main");
    }
}

TEST(BuildPackage, ManifestAndOtherResourcesSurvive) {
    const PackageOutputs out = assembled(fullInputs());
    PeImage image;
    std::string error;
    ASSERT_TRUE(parsePeImage(out.executable, PeAcceptance{}, image, error)) << error;
    ResourceTable table;
    ASSERT_TRUE(readResources(image, table, error)) << error;
    for (const Resource& original : test::launcherLikeResources()) {
        if (original.type.id == kTypeIcon || original.type.id == kTypeGroupIcon ||
            original.type.id == kTypeVersion)
            continue;
        const Resource* kept = findResource(table, original.type.id, original.name);
        ASSERT_NE(kept, nullptr) << "type " << original.type.id;
        EXPECT_EQ(*kept, original);
    }
}

TEST(BuildPackage, JarWithoutEmbeddedTextMarksTheSettingsFile) {
    PackageInputs in = fullInputs();
    in.embeddedText.reset();
    in.iniFile = test::textBytes("[Java Runtime Environment]\nMain Class=demo.Main\n");
    in.upgradeCode.clear();
    const PackageOutputs out = assembled(in);
    ASSERT_TRUE(out.iniFile.has_value());
    const std::u16string ini = decodeTextFile(*out.iniFile).text;
    EXPECT_EQ(iniValue(ini, u"Application", u"Embedded Jar", NameMatch::IgnoreCase), u"Yes");
    EXPECT_EQ(ini.find(u"Upgrade Code"), std::u16string::npos) << "nothing to key";
    PeImage image;
    std::string error;
    ASSERT_TRUE(parsePeImage(out.executable, PeAcceptance{}, image, error)) << error;
    ResourceTable table;
    ASSERT_TRUE(readResources(image, table, error));
    EXPECT_EQ(findResource(table, kTypeRcData, ResourceId::number(kSettingsTextResource)), nullptr);
}

TEST(BuildPackage, SettingsFileIsUtf16WithAByteOrderMarkWhateverItsInput) {
    const std::u16string text =
        u"[Java Runtime Environment]\r\nVirtual Machine Parameters=-Dp=Gr\u00f6\u00dfe\r\n";
    for (const Bytes& input :
         {test::textBytes(toUtf8(text)), encodeTextFile({text, TextEncoding::Utf8, true}),
          encodeTextFile({text, TextEncoding::Utf16Le, true})}) {
        PackageInputs in = fullInputs();
        in.iniFile = input;
        const PackageOutputs out = assembled(in);
        ASSERT_TRUE(out.iniFile.has_value());
        ASSERT_GE(out.iniFile->size(), 2u);
        EXPECT_EQ((*out.iniFile)[0], 0xFF);
        EXPECT_EQ((*out.iniFile)[1], 0xFE);
        const DecodedText written = decodeTextFile(*out.iniFile);
        EXPECT_EQ(written.encoding, TextEncoding::Utf16Le);
        EXPECT_EQ(written.text.substr(0, text.size()), text);
    }
}

TEST(BuildPackage, RefusesBadInputsNamingTheProblem) {
    struct Case {
        const char* name;
        void (*change)(PackageInputs&);
        const char* message;
    };
    const Case cases[] = {
        {"launcher is not a PE",
         [](PackageInputs& in) { in.launcher = test::textBytes("#!/bin/sh\necho hi\n"); },
         "launcher: not a PE file"},
        {"launcher is 32-bit",
         [](PackageInputs& in) {
             in.launcher = test::syntheticPe(test::launcherLikeResources(), test::forMachine(kMachineI386));
         },
         "launcher: wrong machine type 0x14C"},
        {"launcher is truncated", [](PackageInputs& in) { in.launcher.resize(in.launcher.size() - 0x300); },
         "launcher: truncated PE file"},
        {"icon without images", [](PackageInputs& in) { in.icon = test::icoFile({}); },
         "icon: the icon file holds no images"},
        {"icon is not an .ico", [](PackageInputs& in) { in.icon = test::textBytes("GIF89a......"); },
         "icon: not an icon file"},
        {"icon is cut short", [](PackageInputs& in) { in.icon->resize(100); }, "icon: truncated icon file"},
        {"jar is not a ZIP", [](PackageInputs& in) { in.jar = test::textBytes("PK but not really a zip"); },
         "jar: not a ZIP archive: no end-of-central-directory record"},
        {"no main class anywhere",
         [](PackageInputs& in) {
             in.embeddedText = test::textBytes("[Java Runtime Environment]\nMinimum Version=11\n");
         },
         "no \"Main Class\" in section \"Java Runtime Environment\""},
        {"main class in the wrong section",
         [](PackageInputs& in) {
             in.embeddedText = test::textBytes("[Application]\nMain Class=demo.Main\n");
         },
         "no \"Main Class\""},
        {"embedded names match exactly",
         [](PackageInputs& in) {
             in.embeddedText = test::textBytes("[java runtime environment]\nMain Class=demo.Main\n");
         },
         "no \"Main Class\""},
        {"no settings at all",
         [](PackageInputs& in) {
             in.embeddedText.reset();
             in.iniFile.reset();
             in.jar.reset();
         },
         "no \"Main Class\""},
        {"bad file version", [](PackageInputs& in) { in.version.fileVersion = "1.2.x"; },
         "bad file version \"1.2.x\""},
        {"a build tool's version", [](PackageInputs& in) { in.version.productVersion = "1.0-SNAPSHOT"; },
         "bad product version \"1.0-SNAPSHOT\": Windows takes one to four numbers 0-65535 separated by dots "
         "(1.2.3.4), nothing else; map a build tool's version first: 1.0-SNAPSHOT to 1.0"},
        {"the example GUID, in any case",
         [](PackageInputs& in) { in.upgradeCode = "{6b29fc40-ca47-1067-b31d-00dd010662da}"; },
         "is the well-known example GUID, which other products carry too"},
        {"the nil GUID", [](PackageInputs& in) { in.upgradeCode = "{00000000-0000-0000-0000-000000000000}"; },
         "is the nil GUID"},
        {"the example GUID from the settings file",
         [](PackageInputs& in) {
             in.upgradeCode.clear();
             in.iniFile = test::textBytes(
                 "[Product Information]\nUpgrade Code={6B29FC40-CA47-1067-B31D-00DD010662DA}\n");
         },
         "with uuidgen"},
        {"a placeholder in braces",
         [](PackageInputs& in) { in.upgradeCode = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; },
         "Upgrade Code \"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\" is not a GUID in braces; make the "
         "product's own "
         "once with uuidgen"},
        {"non-ASCII upgrade code", [](PackageInputs& in) { in.upgradeCode = "\xC3\xA9"; }, "must be ASCII"},
        {"splash is not an image",
         [](PackageInputs& in) {
             in.splash = SplashImageFile{"splash.png", test::textBytes("BM a bitmap")};
         },
         "splash: not a PNG, GIF or JPEG image"},
        {"splash takes the settings file's name",
         [](PackageInputs& in) {
             in.splash = SplashImageFile{"DEMO APP.ini", test::textBytes("GIF89a")};
         },
         "splash: the image's name \"DEMO APP.ini\" is taken"},
        {"splash named by the settings file as well, which would hide it",
         [](PackageInputs& in) {
             in.splash = SplashImageFile{"splash.png", test::textBytes("GIF89a")};
             in.iniFile = test::textBytes("[application]\nSPLASH IMAGE=old.png\n");
         },
         "splash: the settings file names a \"Splash Image\" of its own"},
    };
    for (const Case& c : cases) {
        PackageInputs in = fullInputs();
        c.change(in);
        PackageOutputs out;
        std::string error;
        EXPECT_FALSE(assemblePackage(in, out, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(out.executable.empty()) << c.name;
    }
}

// The executable is replaced by every upgrade, while an installed settings file is never overwritten: the
// splash goes into the embedded text whenever there is one.
TEST(BuildPackage, ASplashImageIsNamedWhereAnUpgradeCarriesIt) {
    const struct {
        const char* name;
        bool embedded;
        bool ini;
    } cases[] = {{"embedded text and settings file", true, true},
                 {"embedded text alone", true, false},
                 {"settings file alone", false, true}};
    for (const auto& c : cases) {
        PackageInputs in = fullInputs();
        if (!c.embedded) {
            in.embeddedText.reset();
            in.iniFile = test::textBytes("[Java Runtime Environment]\nMain Class=demo.Main\n");
        }
        if (!c.ini) in.iniFile.reset();
        in.splash = SplashImageFile{"start screen.png", test::textBytes("\x89PNG\r\n\x1a\n")};
        const PackageOutputs out = assembled(in);
        PackageReport report;
        std::string error;
        ASSERT_TRUE(inspectPackage(out.executable, kUpgradeCode, PeAcceptance{}, report, error)) << error;
        ASSERT_TRUE(out.iniFile.has_value()) << c.name;
        const std::u16string inEmbedded = report.settingsText ? iniValue(*report.settingsText, u"Application",
                                                                         u"Splash Image", NameMatch::Exact)
                                                              : u"";
        const std::u16string inFile =
            iniValue(decodeTextFile(*out.iniFile).text, u"Application", u"Splash Image", NameMatch::Exact);
        EXPECT_EQ(c.embedded ? inEmbedded : inFile, u"start screen.png") << c.name;
        EXPECT_EQ(c.embedded ? inFile : inEmbedded, u"") << c.name;
    }
}

TEST(BuildPackage, SettingsFileSuppliesTheUpgradeCodeWhenNoneIsGiven) {
    PackageInputs in = fullInputs();
    in.upgradeCode.clear();
    in.iniFile =
        test::textBytes("[Product Information]\nUpgrade Code={4C1A7D52-0E6B-4F3A-9D2E-5B7C00DE0023}\n");
    const PackageOutputs out = assembled(in);
    PackageReport report;
    std::string error;
    ASSERT_TRUE(inspectPackage(out.executable, "{4C1A7D52-0E6B-4F3A-9D2E-5B7C00DE0023}", PeAcceptance{},
                               report, error))
        << error;
    ASSERT_TRUE(report.settingsText.has_value());
    EXPECT_EQ(iniValue(*report.settingsText, u"Java Runtime Environment", u"Main Class", NameMatch::Exact),
              u"demo.Main");
    ASSERT_TRUE(out.iniFile.has_value());
    EXPECT_EQ(iniValue(decodeTextFile(*out.iniFile).text, u"Product Information", u"Upgrade Code",
                       NameMatch::Exact),
              u"{4C1A7D52-0E6B-4F3A-9D2E-5B7C00DE0023}");
}

TEST(BuildPackage, MainClassFromTheSettingsFileAloneIsEnough) {
    const char* files[] = {"[JAVA RUNTIME ENVIRONMENT]\nmain class=demo.Main\n",
                           "[Java Runtime Environment+]\nMain Class=demo.Main\n"};
    for (const char* file : files) {
        PackageInputs in = fullInputs();
        in.embeddedText = test::textBytes("[Application]\nSingle Instance=yes\n");
        in.iniFile = test::textBytes(file);
        PackageOutputs out;
        std::string error;
        EXPECT_TRUE(assemblePackage(in, out, error)) << file << ": " << error;
    }
}

}  // namespace
}  // namespace qxpack
