// The sub-commands of qxpack, each turning its command line into exit codes and messages.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace qxpack {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;  // a bad command line, or settings with an error

// Prints "qxpack: error: MESSAGE" and returns kExitFailure.
int fail(const std::string& message);

int runBuild(const CommandLine& line);
int runInspect(const CommandLine& line);
int runCheck(const CommandLine& line);
int runMsi(const CommandLine& line);
// Takes its own command line (the arguments after "package"): the JDK packager's options.
int runPackage(const std::vector<std::string>& args);

}  // namespace qxpack
