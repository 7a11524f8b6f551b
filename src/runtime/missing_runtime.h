// What the start says when no runtime was found.
#pragma once

#include <string>

#include "runtime/runtime_request.h"

namespace qx {

// The dialog's message: 206 when a server JVM is required, else 207, with the requirement phrase.
std::wstring missingRuntimeMessage(const RuntimeRequest& request);

}  // namespace qx
