// The requirement phrase of the missing-runtime message, from the catalogue.
#pragma once

#include <string>

#include "runtime/java_version.h"

namespace qx {

// "latest version", "minimum version 1.8", ... for the two bounds.
std::wstring buildRequirementText(const JavaVersion& minimum, const JavaVersion& maximum);

}  // namespace qx
