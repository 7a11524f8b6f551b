// The process command line as the Java main method's arguments. The launcher has no switches of its
// own: everything after the program path reaches Java unchanged, in order.
#pragma once

#include <string>
#include <vector>

namespace qx {

// `commandLine` trimmed of white space at both ends, split by splitArguments, without its first
// token (the program path).
std::vector<std::wstring> commandLineArguments(const std::wstring& commandLine);

// Fills `arguments` from GetCommandLineW (a null result counts as empty).
void buildArguments(std::vector<std::wstring>& arguments);

}  // namespace qx
