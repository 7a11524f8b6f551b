#include "launch/command_line.h"

#include <windows.h>

#include <cwctype>

#include "config/split_text.h"
#include "launch/launcher.h"

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

void buildArguments(Launcher& launcher) {
    const wchar_t* commandLine = GetCommandLineW();
    launcher.arguments = commandLineArguments(commandLine != nullptr ? commandLine : L"");
}

}  // namespace qx
