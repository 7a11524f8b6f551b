// The configuration loader: fills the launcher's settings fields once, at start.
#pragma once

#include <cstdint>
#include <string>

#include "config/product_info.h"
#include "runtime/runtime_request.h"
#include "vm/vm_settings.h"

namespace qx {

// The application-level switches of section "Application" and the product's identity.
struct ApplicationSettings : ProductInfo {
    uint8_t isService = 0;        // "Application Type" is exactly "service"
    uint8_t omitServiceName = 0;  // "Omit Service Name" is not empty
    uint8_t overrideWorkingDir = 0;
    uint8_t pairReturnCode = 0;
};

// Every field the settings decide.
struct LauncherSettings : ApplicationSettings, RuntimeRequest, VmSettings {};

// Reads the product information from the settings file beside `executablePath`, then every other
// launcher key through the layered lookup. False when the path has no "." (no settings file can be
// named) or no "Main Class" is configured (error line 210); fields it does not reach keep their
// defaults.
[[nodiscard]] bool loadConfiguration(LauncherSettings& config, const std::wstring& executablePath);

}  // namespace qx
