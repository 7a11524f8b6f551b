#include <windows.h>

#include "launch/command_line.h"

namespace qx {

void buildArguments(std::vector<std::wstring>& arguments) {
    const wchar_t* commandLine = GetCommandLineW();
    arguments = commandLineArguments(commandLine != nullptr ? commandLine : L"");
}

}  // namespace qx
