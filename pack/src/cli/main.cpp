// qxpack: packages the launcher for one application, reports what a package carries, checks
// settings, or makes an installer.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/text_codec.h"

namespace qxpack {

int fail(const std::string& message) {
    std::fprintf(stderr, "qxpack: error: %s\n", message.c_str());
    return kExitFailure;
}

}  // namespace qxpack

namespace {

int run(const std::vector<std::string>& args) {
    using namespace qxpack;
    if (!args.empty() && args[0] == "package") return runPackage({args.begin() + 1, args.end()});
    CommandLine line;
    std::string error;
    if (!parseCommandLine(args, line, error)) {
        std::fprintf(stderr, "qxpack: error: %s\n%s", error.c_str(), usageText());
        return kExitUsage;
    }
    if (line.command == "help") {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (line.command == "check") return runCheck(line);
    if (line.command == "msi") return runMsi(line);
    return line.command == "build" ? runBuild(line) : runInspect(line);
}

}  // namespace

#ifdef _WIN32
// The wide entry point, so that paths outside the ANSI code page reach the UTF-8 file functions intact.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::u16string wide;
        for (const wchar_t* c = argv[i]; *c != 0; ++c) wide.push_back(static_cast<char16_t>(*c));
        args.push_back(qxpack::toUtf8(wide));
    }
    return run(args);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
