// The ordered JVM option strings, in the thread's ANSI code page.
#pragma once

#include <string>
#include <vector>

namespace qx {

using VmOptionList = std::vector<std::string>;

}  // namespace qx
