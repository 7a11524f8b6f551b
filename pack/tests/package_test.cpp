#include <gtest/gtest.h>

#include "base/split_text.h"
#include "cli/package_options.h"
#include "core/properties_text.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "settings/launch_arguments.h"
#include "vm/vm_parameter_text.h"

namespace qxpack {
namespace {

// What a value of --java-options or --arguments stands for, as the launcher reads the settings; "!" and
// a part of the message for a value that is refused.
std::vector<std::string> pieces(const std::string& value) {
    std::vector<LaunchPiece> split;
    std::string error;
    if (!splitLaunchValue(fromUtf8(value), split, error)) return {"!" + error};
    std::vector<std::string> texts;
    for (const LaunchPiece& piece : split) texts.push_back(toUtf8(piece.text));
    return texts;
}

TEST(PackagerValues, AreCutAndReferToFoldersAsTheJdkPackagerDocumentsThem) {
    const struct {
        const char* value;
        std::vector<std::string> pieces;
    } cases[] = {
        {"a  b\tc\n", {"a", "b", "c"}},
        {"one 'two three'", {"one", "two three"}},
        {"\"-Dx=a b\" -Dy='c d'", {"-Dx=a b", "-Dy=c d"}},
        {"'say \"hi\"' \"it's\"", {"say \"hi\"", "it's"}},
        {"\\\"quoted\\\" a\\ b 'c\\'d'", {"\"quoted\"", "a b", "c'd"}},
        {"C:\\dir\\file \\\\server\\share", {"C:\\dir\\file", "\\\\server\\share"}},
        {"''", {""}},
        {"-Dp=$APPDIR\\lib ${appdir}", {"-Dp=%QX_EXE_DIR%\\app\\lib", "%QX_EXE_DIR%\\app"}},
        {"$BINDIR/$RootDir", {"%QX_EXE_DIR%/%QX_EXE_DIR%"}},
        {"${JAVA_HOME} ${ProgramFiles(x86)} $JAVA_HOME",
         {"%JAVA_HOME%", "%ProgramFiles(x86)%", "%JAVA%_HOME"}},
        {"\\$APPDIR cost$ ${} ${open", {"$APPDIR", "cost$", "${}", "${open"}},
        {"'$APPDIR'", {"%QX_EXE_DIR%\\app"}},
        {"-Dx=\"a b", {"!the quote \" in \"-Dx=\"a b\" is not closed"}},
        {"'a\tb'", {"!a control character in"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> got = pieces(c.value);
        if (!c.pieces.empty() && c.pieces[0][0] == '!') {
            ASSERT_EQ(got.size(), 1u) << c.value;
            EXPECT_NE(got[0].find(c.pieces[0].substr(1)), std::string::npos) << c.value << ": " << got[0];
        } else {
            EXPECT_EQ(got, c.pieces) << c.value;
        }
    }
}

TEST(PackagerValues, BecomeSettingsTheLauncherReadsBackUnchanged) {
    enum Setting { Vm, Cmd };
    const struct {
        Setting setting;
        const char* value;
        const char* expected;                 // the setting's value, or "!" and a part of the message
        std::vector<std::string> reads = {};  // what the launcher reads, when not the pieces themselves
    } cases[] = {
        {Vm, "-Dx=1 -Dy=\"a b\"", "-Dx=1 \"-Dy=a b\""},
        {Vm, "'-Dq=say \"hi\"'", "\"-Dq=say \"\"\"hi\"\"\"\""},
        {Vm, "-Dgreeting=\"Grüße $APPDIR\"", "\"-Dgreeting=Grüße %QX_EXE_DIR%\\app\""},
        {Vm, "-Dp=$APPDIR ${JAVA_OPTS}", "-Dp=%QX_EXE_DIR%\\app %JAVA_OPTS%"},
        {Vm, "-Dgreeting=Grüße $APPDIR", "!\"$APPDIR\" is not a JVM option"},
        {Vm, "-Xmx1g ''", "!\"\" is not a JVM option"},
        {Vm,
         "--add-opens java.base/java.lang=ALL-UNNAMED -p $APPDIR\\mods",
         "--add-opens=java.base/java.lang=ALL-UNNAMED --module-path=%QX_EXE_DIR%\\app\\mods",
         {"--add-opens=java.base/java.lang=ALL-UNNAMED", "--module-path=%QX_EXE_DIR%\\app\\mods"}},
        {Vm, "-Xmx1g --add-exports", "!\"--add-exports\" needs its value"},
        {Vm, "-cp lib", "!\"-cp\" is an option of the java launcher, not of the VM"},
        {Cmd, "one 'two three' 'a\"b'", "one \"two three\" a\"b"},
        {Cmd, "--dir=$APPDIR", "\"--dir=%QX_EXE_DIR%\\app\""},
        {Cmd, "'\"a'", "!begins with a double quote"},
        {Cmd, "'a \"b\" c'", "!holds one besides blanks"},
        {Cmd, "'--dir=$APPDIR\"'", "!holds one besides blanks"},
        {Cmd, "a ''", "!an empty argument"},
    };
    for (const auto& c : cases) {
        std::vector<LaunchPiece> split;
        std::string error;
        ASSERT_TRUE(splitLaunchValue(fromUtf8(c.value), split, error)) << c.value;
        std::u16string value;
        const bool ok =
            c.setting == Vm ? vmParametersValue(split, value, error) : cmdValue(split, value, error);
        const std::string expected = c.expected;
        if (expected[0] == '!') {
            EXPECT_FALSE(ok) << c.value;
            EXPECT_NE(error.find(expected.substr(1)), std::string::npos) << c.value << ": " << error;
            continue;
        }
        ASSERT_TRUE(ok) << c.value << ": " << error;
        EXPECT_EQ(toUtf8(value), expected) << c.value;
        // Read back by the launcher's own rules.
        std::vector<std::wstring> read;
        if (c.setting == Vm) {
            for (const std::wstring& token : qx::splitVmParameters(toWide(value)))
                read.push_back(qx::removeVmParameterQuotes(token));
        } else {
            qx::splitArguments(toWide(value), read);
        }
        std::vector<std::string> expectedReads = c.reads;
        for (const LaunchPiece& piece : split) {
            if (c.reads.empty()) expectedReads.push_back(toUtf8(piece.text));
        }
        std::vector<std::string> reads;
        for (const std::wstring& text : read) reads.push_back(toUtf8(fromWide(text)));
        EXPECT_EQ(reads, expectedReads) << c.value;
    }
}

TEST(PackagerValues, WarnOfAPercentAndOfTerabytesTheLauncherReadsAsAShare) {
    std::vector<LaunchPiece> split;
    std::string error;
    ASSERT_TRUE(splitLaunchValue(u"-Dp=50% -Xmx2t -Xmx2g -Xmx50p", split, error));
    const std::vector<std::string> warnings = launchValueWarnings("--java-options", split);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("\"-Dp=50%\": the launcher expands %NAME%"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("\"-Xmx2t\": the launcher reads a size ending in t"), std::string::npos)
        << warnings[1];
}

TEST(PropertiesFiles, AreReadAsJavaReadsThem) {
    const struct {
        const char* text;
        std::vector<std::pair<std::string, std::string>> entries;
    } cases[] = {
        {"extension=qxdoc\r\nmime-type : text/x-q\nicon   app.ico",
         {{"extension", "qxdoc"}, {"mime-type", "text/x-q"}, {"icon", "app.ico"}}},
        {"# comment\n! other\n   \n  k = v  ", {{"k", "v  "}}},
        {"a=one \\\n    two\\\\\nb", {{"a", "one two\\"}, {"b", ""}}},
        {"a\\ b\\=c=d\\te\\u00e9\\x", {{"a b=c", "d\te\u00e9x"}}},
        {"k=\\u00zz\\", {{"k", "\\u00zz"}}},
        {"# a comment ending in a backslash \\\nk=v", {{"k", "v"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const Property& p : parseProperties(fromUtf8(c.text)))
            got.emplace_back(toUtf8(p.key), toUtf8(p.value));
        EXPECT_EQ(got, c.entries) << c.text;
    }
    EXPECT_EQ(parseProperties(u"\n# x\n\nk=\\\n v\nl=w")[1].line, 6u);
}

TEST(PackageCommandLine, TakesTheJdkPackagersOptionsAndRefusesTheOthersByName) {
    const std::vector<std::string> jar = {"--input", "in", "--main-jar", "app.jar"};
    const auto with = [&jar](std::vector<std::string> more) {
        more.insert(more.begin(), jar.begin(), jar.end());
        return more;
    };
    const struct {
        std::vector<std::string> args;
        const char* error;  // empty: accepted
    } cases[] = {
        {with({}), ""},
        {{"-i", "in", "--main-jar", "app.jar", "-t", "app-image", "-n", "App", "-d", "out"}, ""},
        {with({"--name=App", "--java-options", "-Xmx1g", "--java-options", "--add-opens=a/b=ALL-UNNAMED"}),
         ""},
        {with({"--win-menu-group", "Tools", "--win-console", "--verbose"}), ""},
        {{"--help"}, ""},
        {with({"--add-modules", "java.base"}), "does not take --add-modules: qxpack runs no jlink"},
        {with({"-p", "mods"}), "does not take -p: qxpack runs no jlink"},
        {with({"--module", "m/c"}), "does not take --module"},
        {with({"--linux-shortcut"}), "does not take --linux-shortcut: it is for Linux packages"},
        {with({"--win-dir-chooser"}), "does not take --win-dir-chooser: the installer has no dialogs"},
        {with({"@options.txt"}), "does not read options from files (@options.txt)"},
        {with({"--frobnicate"}), "unknown option --frobnicate for package"},
        {with({"-x"}), "unknown option -x for package"},
        {with({"--name", "a", "--name", "b"}), "option --name given twice"},
        {with({"--name"}), "option --name needs a value"},
        {with({"--win-menu=yes"}), "option --win-menu takes no value"},
        {with({"stray"}), "unexpected argument \"stray\""},
        {{"--input", "in"}, "package needs --input"},
        {with({"--type", "exe"}),
         "--type exe is not made: qxpack makes Windows Installer packages; use --type msi"},
        {with({"--type", "dmg"}), "--type dmg is not made"},
        {with({"--type", "zip"}), "unknown --type \"zip\""},
        {with({"--type", "app-image", "--win-shortcut"}), "--win-shortcut is for --type msi"},
        {with({"--type", "app-image", "--file-associations", "a.properties"}),
         "--file-associations is for --type msi"},
    };
    for (const auto& c : cases) {
        PackageOptions options;
        std::string error;
        const bool ok = parsePackageOptions(c.args, options, error);
        std::string shown;
        for (const std::string& arg : c.args) shown += arg + " ";
        if (*c.error == 0) {
            EXPECT_TRUE(ok) << shown << ": " << error;
        } else {
            EXPECT_FALSE(ok) << shown;
            EXPECT_NE(error.find(c.error), std::string::npos) << shown << ": " << error;
        }
    }
}

TEST(PackageCommandLine, FillsTheOptionsWithTheirDefaults) {
    PackageOptions options;
    std::string error;
    ASSERT_TRUE(parsePackageOptions({"-i", "in", "--main-jar", "lib/app.jar", "--win-menu-group", "Tools",
                                     "--java-options", "-Xmx1g", "--java-options", "-Da=1", "-n", "App"},
                                    options, error));
    EXPECT_EQ(options.type, "msi");
    EXPECT_EQ(options.input, "in");
    EXPECT_EQ(options.mainJar, "lib/app.jar");
    EXPECT_EQ(options.name, "App");
    EXPECT_EQ(options.appVersion, "1.0");
    EXPECT_EQ(options.vendor, "Unknown");
    EXPECT_EQ(options.dest, ".");
    EXPECT_TRUE(options.winMenu);  // a menu group asks for the menu shortcut
    EXPECT_EQ(options.javaOptions, (std::vector<std::string>{"-Xmx1g", "-Da=1"}));
}

}  // namespace
}  // namespace qxpack
