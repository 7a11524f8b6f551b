// The packaged product's identity from section "Product Information" of the settings file.
#pragma once

#include <string>

namespace qx {

struct ProductInfo {
    std::wstring productName;  // names the per-user settings folder
    std::wstring productCode;  // names its subfolder
    std::wstring upgradeCode;  // pass phrase of the embedded settings
};

}  // namespace qx
