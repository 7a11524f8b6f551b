// Finding and running the installer builder's programs (msitools' wixl and msibuild): the one place
// where qxpack starts another program, for Linux, macOS and Windows alike.
#pragma once

#include <string>
#include <vector>

namespace qxpack {

// The program's path: `name` itself when it names a folder, else the first match on PATH (on
// Windows with ".exe" added); empty when there is none.
std::string findProgram(const std::string& name);

// Runs `program` with `arguments` and waits for it; what it writes to standard output and error goes
// to `outputPath`. False with `error` set when it could not be started; otherwise `exitCode` is set.
bool runProgram(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& outputPath, int& exitCode, std::string& error);

}  // namespace qxpack
