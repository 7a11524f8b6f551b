// The configuration loader: fills the launcher's settings fields once, at start.
#pragma once

namespace qx {

struct Launcher;

// Reads the product information from the settings file, then every other launcher key through the
// layered lookup. False when no settings file path can be formed or no "Main Class" is configured
// (error line 210); fields it does not reach keep their defaults.
bool loadConfiguration(Launcher& launcher);

}  // namespace qx
