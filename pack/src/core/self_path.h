// Where the running qxpack lies, so it can find what was installed with it.
#pragma once

#include <string>

namespace qxpack {

// The full path of the running program (UTF-8); empty where the platform does not tell it.
std::string selfPath();

}  // namespace qxpack
