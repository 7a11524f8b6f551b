// Hostile input of every kind the launcher reads, end to end: each row prepares one packaged app, starts
// the real launcher on the bridge runtime and states the outcome. No row may crash, hang or write
// anywhere but where it says.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/lib/embedded_resources.h"
#include "support/lib/java_registry.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
const char kRan[] = "main done";
const char kNoMain[] = "Error: Main class was not specified in INI file. ";
const char kNoRuntime[] =
    "Error: The Java Runtime Environment (JRE) was not found (latest version), and no window can be shown "
    "here to choose one. Set JRE Path in the INI file. ";
const wchar_t kJdkKey[] = L"Software\\JavaSoft\\JDK\\";
const char kUpgradeCode[] = "{5A1B2C3D-0000-4000-8000-00000000ABCD}";

// What one row's start prepares: the app (a copy, so a row may rename it or change its environment),
// the registry when the row needs HKLM, and what to undo afterwards.
struct Stage {
    LauncherApp app;
    std::unique_ptr<JavaRegistry> registry;
};

struct Row {
    const char* kind;
    std::string name;
    std::function<void(Stage&)> prepare;
    std::wstring args;               // after the program path, as written
    std::vector<std::string> lines;  // lines the output must have
    DWORD exitCode;
    std::string absent;              // a line the output must not have ("" = none)
    std::vector<std::wstring> made;  // what the start may add to the app's folder (relative prefixes)
};

// Deterministic junk, so a failing row can be reproduced.
std::string junk(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

std::string utf16(const std::wstring& text, bool bom, bool bigEndian = false) {
    std::string bytes;
    if (bom) bytes = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (wchar_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

std::string sections(size_t count, const std::string& prefix) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += "[" + prefix + std::to_string(i) + "]\r\nk=v\r\n";
    return text;
}

// The probe's settings without any runtime, so the search goes on to the registry.
std::string searchIni() {
    return "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\n[Class Path]\r\nClass Path=" +
           narrow(testJar(L"probe")) + "\r\n";
}

// The probe's settings with another main class.
std::string mainClassIni(const std::string& mainClass) {
    return "[Java Runtime Environment]\r\nMain Class=" + mainClass +
           "\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) +
           "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) + "\r\n";
}

std::function<void(Stage&)> ini(std::string bytes) {
    return [bytes](Stage& s) { writeFile(s.app.ini, bytes); };
}

// A copy of the launcher named embedded.exe carrying the given resources, its settings file naming the
// Upgrade Code and holding `fileText`.
std::function<void(Stage&)> embedded(std::optional<Bytes> res9000, std::optional<Bytes> res8000,
                                     std::string fileText = "") {
    return [=](Stage& s) {
        s.app.exe = s.app.dir + L"\\embedded.exe";
        s.app.ini = s.app.dir + L"\\embedded.ini";
        ASSERT_TRUE(copyWithResources(launcherExe(), s.app.exe, res9000, res8000));
        writeFile(s.app.ini,
                  "[Product Information]\r\nUpgrade Code=" + std::string(kUpgradeCode) + "\r\n" + fileText);
    };
}

Bytes passPhrase9000() { return providerEncipher(kUpgradeCode, utf16le(L"pass phrase")); }
Bytes text8000(const std::wstring& text, const std::string& phrase = "pass phrase") {
    return providerEncipher(phrase, utf16le(text));
}

// The bridge runtime registered under `name` with a raw "JavaHome" value.
std::function<void(Stage&)> registered(const std::wstring& name, DWORD type, Bytes value) {
    return [=](Stage& s) {
        writeFile(s.app.ini, searchIni());
        s.registry = std::make_unique<JavaRegistry>();
        ASSERT_TRUE(s.registry->addRaw(kJdkKey, name, type, value.data(), static_cast<DWORD>(value.size())));
    };
}

Bytes homeBytes(bool terminated) {
    Bytes bytes = utf16le(runtimeHome(L"jdk17"));
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// A runtime folder "jre" whose bin\server\jvm.dll is made by `make`; the search is kept to it.
std::function<void(Stage&)> runtimeFolder(std::function<void(const std::wstring& jvm)> make) {
    return [=](Stage& s) {
        const std::wstring home = s.app.dir + L"\\jre";
        removeTree(home);
        makeRuntime(home, {L"server"});
        DeleteFileW((home + L"\\bin\\server\\jvm.dll").c_str());
        make(home + L"\\bin\\server\\jvm.dll");
        writeFile(s.app.ini,
                  "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" + narrow(home) +
                      "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"probe")) + "\r\n");
        s.registry = std::make_unique<JavaRegistry>();
    };
}

std::string libraryError(const std::wstring& dir, int error) {
    return "Error: Failed to load Java VM library: " + narrow(dir) +
           "\\jre\\bin\\server\\jvm.dll (errno = " + std::to_string(error) + ").";
}

std::function<void(Stage&)> withEnv(std::wstring name, std::wstring value, std::string iniText) {
    return [=](Stage& s) {
        s.app.options.env[name] = value;
        writeFile(s.app.ini, iniText);
    };
}

// Settings that send the probe's output to `target` (with %DIR% standing for the app's folder).
std::function<void(Stage&)> redirect(std::string target, std::function<void(Stage&)> before = nullptr) {
    return [=](Stage& s) {
        if (before) before(s);
        std::string path = target;
        const size_t at = path.find("%DIR%");
        if (at != std::string::npos) path.replace(at, 5, narrow(s.app.dir));
        writeFile(s.app.ini, probeIni("", "Output File=" + path + "\r\n"));
    };
}

// Every file and folder below `dir` with its size, but the bridge's trace.
std::map<std::wstring, ULONGLONG> listing(const std::wstring& dir, const std::wstring& under = L"") {
    std::map<std::wstring, ULONGLONG> entries;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((dir + L"\\" + under + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L".." || (under.empty() && name == L"jvm-trace.txt")) continue;
        const std::wstring relative = under + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries[relative + L"\\"] = 0;
            for (const auto& entry : listing(dir, relative + L"\\")) entries.insert(entry);
        } else {
            entries[relative] = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

std::vector<Row> rows() {
    const std::string probe = probeIni();
    const std::wstring probeText = widen(probe);
    const std::string bigLine(1 << 20, 'x');
    const std::wstring big(20000, L'b');
    const std::wstring dir = outDir() + L"\\test-scratch\\hostile-input";  // makeApp's folder
    std::vector<Row> r;

    // Settings files.
    r.push_back({"settings", "binary junk", ini(junk(4096, 1)), L"", {kNoMain}, kFailed});
    r.push_back({"settings",
                 "binary junk before the settings",
                 ini(junk(65536, 2) + "\r\n" + probe),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings", "empty file", ini(""), L"", {kNoMain}, kFailed});
    r.push_back({"settings", "only NULs", ini(std::string(65536, '\0')), L"", {kNoMain}, kFailed});
    r.push_back({"settings",
                 "settings file is a folder",
                 [](Stage& s) {
                     s.app.ini = s.app.dir + L"\\folder.ini";
                     s.app.exe = s.app.dir + L"\\folder.exe";
                     copyFile(launcherExe(), s.app.exe);
                     CreateDirectoryW(s.app.ini.c_str(), nullptr);
                 },
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back({"settings", "UTF-16 with BOM", ini(utf16(probeText, true)), L"", {kRan}, 0});
    r.push_back({"settings", "UTF-16 without BOM", ini(utf16(probeText, false)), L"", {kNoMain}, kFailed});
    r.push_back(
        {"settings", "UTF-16 big-endian with BOM", ini(utf16(probeText, true, true)), L"", {kRan}, 0});
    r.push_back({"settings", "UTF-8 with BOM", ini("\xEF\xBB\xBF" + probe), L"", {kRan}, 0});
    r.push_back(
        {"settings", "a 1 MB line before the settings", ini(bigLine + "\r\n" + probe), L"", {kRan}, 0});
    r.push_back({"settings",
                 "a 1 MB value of an unknown key",
                 ini(probe + "Junk=" + bigLine + "\r\n"),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings", "a 1 MB unclosed header", ini("[" + bigLine + "\r\n" + probe), L"", {kRan}, 0});
    r.push_back({"settings",
                 "10,000 sections before the settings",
                 ini(sections(10000, "s") + probe),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings",
                 "10,000 sections after the settings",
                 ini(probe + sections(10000, "t")),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings", "10,000 sections only", ini(sections(10000, "u")), L"", {kNoMain}, kFailed});
    r.push_back({"settings",
                 "NUL lines between the settings",
                 ini(std::string("\0\0\0\r\n", 5) + probe + std::string("\r\n\0\r\n", 5)),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings",
                 "a NUL inside the main class",
                 ini("[Java Runtime Environment]\r\nMain Class=qx.test.Probe" + std::string("\0junk", 5) +
                     probe.substr(probe.find("\r\nJRE Path"))),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings",
                 "line feeds only",
                 ini([&] {
                     std::string lf;
                     for (char c : probe)
                         if (c != '\r') lf.push_back(c);
                     return lf;
                 }()),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings",
                 "carriage returns only",
                 ini([&] {
                     std::string cr;
                     for (char c : probe)
                         if (c != '\n') cr.push_back(c);
                     return cr;
                 }()),
                 L"",
                 {kRan},
                 0});
    r.push_back({"settings",
                 "a main class of 10,000 characters",
                 ini(mainClassIni(std::string(10000, 'M'))),
                 L"",
                 {"Error: Could not find or load main class " + std::string(10000, 'M')},
                 1});

    // Embedded resources.
    const std::wstring embeddedProbe = probeText;
    r.push_back({"resource",
                 "settings embedded, control",
                 embedded(passPhrase9000(), text8000(embeddedProbe)),
                 L"",
                 {kRan},
                 0});
    r.push_back({"resource",
                 "odd length",
                 embedded(passPhrase9000(),
                          [&] {
                              Bytes odd = utf16le(embeddedProbe);
                              odd.push_back('Z');
                              return providerEncipher("pass phrase", odd);
                          }()),
                 L"",
                 {kRan},
                 0});
    r.push_back({"resource",
                 "wrong key",
                 embedded(passPhrase9000(), text8000(embeddedProbe, "another phrase")),
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back({"resource",
                 "pass phrase under a wrong key",
                 embedded(providerEncipher("{other}", utf16le(L"pass phrase")), text8000(embeddedProbe)),
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back(
        {"resource", "0-byte settings text", embedded(passPhrase9000(), Bytes{}), L"", {kNoMain}, kFailed});
    r.push_back({"resource",
                 "0-byte pass phrase",
                 embedded(Bytes{}, text8000(embeddedProbe)),
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back({"resource",
                 "odd-length pass phrase",
                 embedded(Bytes{1, 2, 3}, text8000(embeddedProbe)),
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back({"resource",
                 "1 MB of junk",
                 embedded(passPhrase9000(),
                          [] {
                              const std::string bytes = junk(1 << 20, 3);
                              return Bytes(bytes.begin(), bytes.end());
                          }()),
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back(
        {"resource",
         "1 MB of settings",
         embedded(passPhrase9000(), text8000(embeddedProbe + L"[Padding]\r\n" + std::wstring(1 << 19, L'p'))),
         L"",
         {kRan},
         0});
    r.push_back({"resource",
                 "1 MB pass phrase",
                 embedded(providerEncipher(kUpgradeCode, Bytes(1 << 20, 'q')), text8000(embeddedProbe)),
                 L"",
                 {kNoMain},
                 kFailed});
    r.push_back({"resource",
                 "junk embedded, settings in the file",
                 embedded(
                     passPhrase9000(),
                     [] {
                         const std::string bytes = junk(4097, 4);
                         return Bytes(bytes.begin(), bytes.end());
                     }(),
                     probe),
                 L"",
                 {kRan},
                 0});

    // Registry values (HKLM, the only registered runtime).
    r.push_back({"registry",
                 "well-formed value, control",
                 registered(L"17", REG_SZ, homeBytes(true)),
                 L"",
                 {kRan},
                 0});
    r.push_back({"registry", "no terminator", registered(L"17", REG_SZ, homeBytes(false)), L"", {kRan}, 0});
    r.push_back({"registry",
                 "odd length",
                 registered(L"17", REG_SZ,
                            [] {
                                Bytes b = homeBytes(false);
                                b.push_back('\\');
                                return b;
                            }()),
                 L"",
                 {kRan},
                 0});
    r.push_back({"registry", "binary type", registered(L"17", REG_BINARY, homeBytes(false)), L"", {kRan}, 0});
    r.push_back({"registry",
                 "DWORD type",
                 registered(L"17", REG_DWORD, Bytes{1, 0, 0, 0}),
                 L"",
                 {kNoRuntime},
                 kFailed});
    r.push_back({"registry", "0 bytes", registered(L"17", REG_SZ, Bytes{}), L"", {kNoRuntime}, kFailed});
    r.push_back({"registry",
                 "64 KB value",
                 registered(L"17", REG_SZ, Bytes(65536, 'A')),
                 L"",
                 {kNoRuntime},
                 kFailed});
    r.push_back({"registry",
                 "64 KB value of NULs after the home",
                 registered(L"17", REG_SZ,
                            [] {
                                Bytes b = homeBytes(true);
                                b.resize(65536, 0);
                                return b;
                            }()),
                 L"",
                 {kRan},
                 0});
    // Key names stop at 255 characters; value names reach 16,383.
    r.push_back({"registry",
                 "a value name of 10,000 digits beside JavaHome",
                 [](Stage& s) {
                     registered(L"17", REG_SZ, homeBytes(true))(s);
                     const std::wstring key = std::wstring(kJdkKey) + L"17";
                     const Bytes value = homeBytes(true);
                     ASSERT_EQ(
                         RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), std::wstring(10000, L'9').c_str(),
                                         REG_SZ, value.data(), static_cast<DWORD>(value.size())),
                         ERROR_SUCCESS);
                 },
                 L"",
                 {kRan},
                 0});
    r.push_back({"registry",
                 "a name of 255 digits",
                 registered(std::wstring(255, L'7'), REG_SZ, homeBytes(true)),
                 L"",
                 {kRan},
                 0});

    // Runtime folders.
    r.push_back({"runtime",
                 "jvm.dll is a folder",
                 runtimeFolder([](const std::wstring& jvm) { CreateDirectoryW(jvm.c_str(), nullptr); }),
                 L"",
                 {libraryError(dir, 5)},
                 kFailed});
    r.push_back({"runtime",
                 "jvm.dll of 0 bytes",
                 runtimeFolder([](const std::wstring& jvm) { writeFile(jvm, ""); }),
                 L"",
                 {libraryError(dir, 193)},
                 kFailed});
    r.push_back({"runtime",
                 "jvm.dll is a text file",
                 runtimeFolder([](const std::wstring& jvm) { writeFile(jvm, "this is not a library\r\n"); }),
                 L"",
                 {libraryError(dir, 193)},
                 kFailed});
    r.push_back({"runtime",
                 "jvm.dll of the other architecture",
                 runtimeFolder([](const std::wstring& jvm) {
                     copyFile(runtimeHome(L"x86") + L"\\bin\\client\\jvm.dll", jvm);
                 }),
                 L"",
                 {libraryError(dir, 193)},
                 kFailed});
    r.push_back({"runtime",
                 "jvm.dll cut short",
                 runtimeFolder([](const std::wstring& jvm) {
                     std::string bytes;
                     readFile(runtimeHome(L"jdk17") + L"\\bin\\server\\jvm.dll", bytes);
                     writeFile(jvm, bytes.substr(0, 1024));
                 }),
                 L"",
                 {libraryError(dir, 998)},
                 kFailed});

    // Command lines.
    r.push_back(
        {"command line", "32,000 characters", ini(probe), std::wstring(32000, L'a'), {"args=1", kRan}, 0});
    r.push_back({"command line",
                 "an unpaired quote",
                 ini(probe),
                 L"\"open ended",
                 {"args=1", "arg[0]=open ended", kRan},
                 0});
    r.push_back({"command line", "quotes only", ini(probe), L"\"\"\"\"\"", {"args=3", kRan}, 0});
    r.push_back({"command line",
                 "a lone high surrogate",
                 ini(probe),
                 std::wstring(1, wchar_t(0xD800)) + L" x",
                 {"args=2", "arg[1]=x", kRan},
                 0});
    r.push_back({"command line",
                 "a lone low surrogate",
                 ini(probe),
                 L"\"" + std::wstring(1, wchar_t(0xDFFF)) + L"\"",
                 {"args=1", kRan},
                 0});
    r.push_back({"command line",
                 "2,000 arguments",
                 ini(probe),
                 [] {
                     std::wstring args;
                     for (int i = 0; i < 2000; ++i) args += L"x ";
                     return args;
                 }(),
                 {"args=2000", kRan},
                 0});

    // Environment references that expand past 32K.
    r.push_back({"environment",
                 "main class",
                 withEnv(L"QXBIG", big, mainClassIni("%QXBIG%%QXBIG%")),
                 L"",
                 {"Error: Could not find or load main class %QXBIG%%QXBIG%"},
                 1});
    r.push_back({"environment",
                 "JRE Path",
                 [big](Stage& s) {
                     withEnv(L"QXBIG", big,
                             searchIni() + "[Java Runtime Environment]\r\nJRE Path=%QXBIG%%QXBIG%\r\n")(s);
                     s.registry = std::make_unique<JavaRegistry>();
                 },
                 L"",
                 {kNoRuntime},
                 kFailed});
    r.push_back({"environment",
                 "class path",
                 withEnv(L"QXBIG", big,
                         "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nJRE Path=" +
                             narrow(runtimeHome(L"jdk17")) +
                             "\r\n[Class Path]\r\nClass Path=%QXBIG%%QXBIG%\\probe.jar\r\n"),
                 L"",
                 {"Error: Java Class Path was not specified in INI file. "},
                 1});
    r.push_back({"environment",
                 "output file",
                 withEnv(L"QXBIG", big, probeIni("", "Output File=%QXBIG%%QXBIG%\r\n")),
                 L"",
                 {},
                 0,
                 kRan,
                 {L"QXBIG%%QXBIG"}});
    r.push_back({"environment",
                 "error file",
                 withEnv(L"QXBIG", big, probeIni("", "Error File=%QXBIG%%QXBIG%\\e.txt\r\n")),
                 L"",
                 {kRan},
                 0});
    r.push_back({"environment",
                 "VM parameters",
                 withEnv(L"QXBIG", big, probeIni("Virtual Machine Parameters=-Dbig=%QXBIG%%QXBIG%\r\n")),
                 L"",
                 {kRan},
                 0});

    // Redirect targets.
    // The file streams are the bridge's Linux JVM's: it opens device names and read-only files as a
    // Linux process run by root would, so those rows state what the launcher controls: the app runs
    // to its end and nothing but the named file is touched.
    r.push_back({"redirect", "CON", redirect("CON"), L"", {}, 0, "", {L"CON"}});
    r.push_back({"redirect", "NUL", redirect("NUL"), L"", {}, 0, kRan, {L"NUL"}});
    r.push_back({"redirect", "a device in a folder", redirect("%DIR%\\NUL"), L"", {}, 0, "", {L"NUL"}});
    r.push_back({"redirect",
                 "a read-only file",
                 redirect("%DIR%\\readonly.txt",
                          [](Stage& s) {
                              const std::wstring file = s.app.dir + L"\\readonly.txt";
                              writeFile(file, "keep");
                              SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
                          }),
                 L"",
                 {},
                 0,
                 "",
                 {L"readonly.txt"}});
    r.push_back({"redirect", "a folder", redirect("%DIR%\\appdata"), L"", {kRan}, 0});
    r.push_back({"redirect",
                 "a path of 1,000 characters",
                 redirect("%DIR%\\long\\" +
                          [] {
                              std::string path;
                              for (int i = 0; i < 9; ++i) path += std::string(100, char('a' + i)) + "\\";
                              return path + "out.txt";
                          }()),
                 L"",
                 {},
                 0,
                 kRan,
                 {L"long\\"}});
    r.push_back(
        {"redirect", "a name with a colon", redirect("%DIR%\\out:stream.txt"), L"", {}, 0, "", {L"out"}});
    r.push_back({"redirect", "an unknown drive", redirect("Q:\\no\\such\\drive.txt"), L"", {kRan}, 0});
    r.push_back({"redirect", "an empty picture", redirect("%DIR%\\%%"), L"", {kRan}, 0});
    // A target with no folder in it, given or expanded, fails to open like any other: the app still runs.
    r.push_back({"redirect", "a lone backslash", redirect("\\"), L"", {kRan}, 0, "", {L"\\"}});
    r.push_back({"redirect", "a picture around nothing", redirect("\\%%"), L"", {kRan}, 0, "", {L"\\"}});
    // Folders the start did not make stay, even empty, when a deeper level cannot be made (Wine takes a
    // colon in a name, so a wildcard makes the level fail here).
    r.push_back({"redirect",
                 "a level that cannot be made below an empty folder",
                 redirect("%DIR%\\logs\\a?b\\out.txt",
                          [](Stage& s) { CreateDirectoryW((s.app.dir + L"\\logs").c_str(), nullptr); }),
                 L"",
                 {kRan},
                 0});
    return r;
}

TEST(HostileInput, EveryRowEndsAsStatedWithoutCrashHangOrStrayWrite) {
    const LauncherApp base = makeApp(L"hostile-input");
    const std::vector<Row> table = rows();
    std::map<std::string, int> perKind;
    for (const Row& row : table) {
        ++perKind[row.kind];
        const std::string label = std::string(row.kind) + ": " + row.name;
        Stage stage{base, nullptr};
        // Nothing may ask for a runtime with a window.
        stage.app.options.desktop = L"qxtest-no-desktop\\Default";
        stage.app.options.timeoutMs = 60000;
        // Relative names resolve in the app's folder, where the listing sees what they make.
        stage.app.options.workDir = base.dir;
        row.prepare(stage);
        const auto before = listing(base.dir);
        const ChildResult r = stage.app.run(row.args);

        EXPECT_FALSE(r.timedOut) << label;
        EXPECT_NE(r.exitCode & 0xFFFFF000u, 0xC0000000u) << label << ": crashed";
        EXPECT_EQ(r.exitCode, row.exitCode) << label << "\n"
                                            << r.out.substr(0, 2000) << r.err.substr(0, 2000);
        // The launcher's own lines go to standard output, the JVM's launcher helper writes to error.
        for (const std::string& line : row.lines)
            EXPECT_TRUE(hasLine(r.out, line) || hasLine(r.err, line)) << label << ": no line " << line << "\n"
                                                                      << r.out.substr(0, 2000);
        if (!row.absent.empty()) {
            EXPECT_FALSE(hasLine(r.out, row.absent)) << label << ": " << row.absent;
        }

        const auto after = listing(base.dir);
        for (const auto& [path, size] : after) {
            bool allowed = false;
            for (const std::wstring& prefix : row.made)
                allowed = allowed || path.compare(0, prefix.size(), prefix) == 0;
            const auto was = before.find(path);
            if (was == before.end()) {
                EXPECT_TRUE(allowed) << label << ": wrote " << narrow(path);
            } else if (!allowed) {
                EXPECT_EQ(size, was->second) << label << ": changed " << narrow(path);
            }
        }
        for (const auto& entry : before)
            EXPECT_TRUE(after.count(entry.first)) << label << ": removed " << narrow(entry.first);
    }
    EXPECT_GE(table.size(), 60u);
    for (const auto& [kind, count] : perKind) std::printf("%s: %d rows\n", kind.c_str(), count);
}

}  // namespace
