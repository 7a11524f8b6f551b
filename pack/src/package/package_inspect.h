// `qxpack inspect`: what a packaged executable carries, read back without running it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "pe/icon_resources.h"
#include "pe/pe_image.h"
#include "pe/version_resource.h"
#include "vm/signed_range.h"

namespace qxpack {

struct PackageReport {
    uint16_t machine = 0;
    std::optional<std::u16string> settingsText;  // deciphered; absent without resource 8000
    std::vector<std::vector<IconSize>> iconGroups;
    std::optional<VersionInfo> version;
    std::u16string launcherVersion;
    std::optional<size_t> jarEntries;  // absent when no archive is appended
    uint64_t fileSize = 0;
    qx::SignedRangeCheck signature;  // the launcher's own check of the signed range
};

// True when the launcher refuses to run the executable's appended jar: its signature does not cover
// what Java would load from it.
bool launcherRefuses(const PackageReport& report);

bool inspectPackage(const Bytes& executable, const std::string& upgradeCode, const PeAcceptance& acceptance,
                    PackageReport& report, std::string& error);

std::string formatReport(const PackageReport& report);

}  // namespace qxpack
