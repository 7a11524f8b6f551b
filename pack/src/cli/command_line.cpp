#include "cli/command_line.h"

#include <algorithm>
#include <set>

namespace qxpack {

namespace {

struct CommandOptions {
    std::set<std::string> values;
    std::set<std::string> lists;  // may be given more than once
    std::set<std::string> flags;
};

const std::map<std::string, CommandOptions> kCommands = {
    {"build",
     {{"launcher", "output", "icon", "ini", "embed", "jar", "upgrade-code", "pass-phrase", "file-version",
       "product-version", "company", "product-name", "description", "copyright", "original-filename",
       "internal-name", "splash"},
      {},
      {"allow-i386"}}},
    {"inspect", {{"upgrade-code"}, {}, {"allow-i386", "strict"}}},
    {"check", {}},
    {"msi",
     {{"exe", "output", "wxs", "upgrade-code", "product-code", "runtime", "service", "service-start",
       "menu-group", "service-account", "service-description"},
      {"add", "file-type", "file-associations"},
      {"per-user", "desktop-shortcut", "no-start-menu"}}},
};

}  // namespace

bool CommandLine::flag(const std::string& name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
    line = CommandLine{};
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        line.command = "help";
        return true;
    }
    line.command = args[0];
    const auto command = kCommands.find(line.command);
    if (command == kCommands.end()) {
        error = "unknown command \"" + line.command + "\"";
        return false;
    }
    const CommandOptions& options = command->second;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            line.operands.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        const size_t equals = name.find('=');
        const bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (options.flags.count(name) != 0 && !inlineValue) {
            line.flags.push_back(name);
            continue;
        }
        const bool list = options.lists.count(name) != 0;
        if (!list && options.values.count(name) == 0) {
            error = "unknown option --" + name + " for " + line.command;
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (list) {
            line.lists[name].push_back(value);
        } else if (!line.values.emplace(name, value).second) {
            error = "option --" + name + " given twice";
            return false;
        }
    }
    return true;
}

const char* usageText() {
    return R"(usage:
  qxpack build [--launcher qxlaunch.exe] --output DIR/APP.exe [options]
  qxpack inspect APP.exe [--upgrade-code CODE] [--allow-i386] [--strict]
  qxpack check APP.ini [EMBEDDED.ini]
  qxpack msi --exe DIR/APP.exe --output DIR/APP.msi [options]
  qxpack package --input DIR --main-jar JAR [options]   (the JDK packager's options: package --help)

build options:
  --launcher FILE           the launcher to package (default qxlaunch.exe); qxlaunchw.exe for a desktop
                            application. A bare name not in the working folder is taken from the
                            launchers installed with qxpack (PREFIX/share/qxlaunch, or beside qxpack)
  --icon FILE.ico           the application's icon: every image of the file replaces the launcher's
  --ini FILE                settings file, written beside the output as APP.ini
  --embed FILE              settings text embedded in the executable, enciphered (RT_RCDATA 8000/9000)
  --jar FILE.jar            a jar appended to the executable; sets "Embedded Jar"=Yes
  --splash FILE             a PNG, GIF or JPEG image copied beside the executable; sets "Splash Image"
                            in the embedded text (else in APP.ini), so the application starts with it
  --upgrade-code {GUID}     the product's Upgrade Code, made once (uuidgen) and never changed; keys the
                            embedded settings and goes to [Product Information] of APP.ini
  --pass-phrase TEXT        pass phrase of the embedded settings (ASCII); random when left out, give it
                            for reproducible output
  --file-version 1.2.3.4    --product-version 1.2.3.4   (numbers only: 1.0-SNAPSHOT must become 1.0)
  --company TEXT  --product-name TEXT  --description TEXT  --copyright TEXT
  --original-filename TEXT  --internal-name TEXT   (defaults: APP.exe and APP)
  --allow-i386              accept a 32-bit (I386) launcher as well

The combined settings (embedded text and APP.ini) must name a "Main Class" in section
"Java Runtime Environment". Text files may be UTF-8 or UTF-16 with a byte-order mark.
build first checks the settings as check does: it refuses with exit code 2 on an error and prints
the warnings. The settings file is written as UTF-16 with a byte-order mark, which the launcher reads
exactly whatever the input's encoding.

msi options (the product's name, company and version come from APP.exe, its Upgrade Code from APP.ini):
  --upgrade-code {GUID}     instead of APP.ini's Upgrade Code
  --product-code {GUID}     instead of a new one for each build
  --per-user                install under LocalAppData\Programs for the current user, without elevation
  --desktop-shortcut        a desktop shortcut beside the Start menu one
  --menu-group NAME         the Start menu shortcut in a folder of that name
  --no-start-menu           no Start menu shortcut
  --add FILE|FOLDER         a file, or a folder with everything in it, installed beside APP.exe (repeatable)
  --runtime DIR             a 64-bit Java runtime installed as APP's private runtime (jre64)
  --file-type EXT:TEXT      files ending in .EXT open with APP.exe (repeatable)
  --file-associations FILE  the same from a properties file: extension, description, mime-type, icon
  --service NAME[:DISPLAY]  install APP.exe as a service (its settings say Application Type=service);
                            no shortcut then
  --service-start demand|auto
  --service-account ACCOUNT LocalSystem (default), LocalService, NetworkService or NT SERVICE\NAME
  --service-description TEXT
  --wxs FILE                keep the WiX source (builds with wixl here or WiX on Windows)
It needs msitools' wixl and msibuild on PATH.

inspect reads the Upgrade Code from APP.ini beside the executable unless --upgrade-code is given;
--allow-i386 lets it read a 32-bit launcher too. With --strict it exits with 1 when the launcher would
refuse to run the executable's appended jar because its signature does not cover what Java would load
(a release pipeline's check).
check reads settings against the launcher's key table (two files: the settings file and the text to
embed, read as one application's settings) and exits with 0 when clean, 1 with warnings, 2 with errors.
)";
}

}  // namespace qxpack
