#include "launch/command_line.h"

#include <cwctype>

#include "base/split_text.h"

namespace qx {

std::vector<std::wstring> commandLineArguments(const std::wstring& commandLine) {
    size_t first = 0;
    size_t last = commandLine.size();
    while (first < last && std::iswspace(commandLine[first])) ++first;
    while (last > first && std::iswspace(commandLine[last - 1])) --last;

    std::vector<std::wstring> arguments;
    splitArguments(commandLine.substr(first, last - first), arguments);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return arguments;
}

}  // namespace qx
