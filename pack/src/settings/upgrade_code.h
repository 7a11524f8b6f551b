// The Upgrade Code: a product's one identity across its versions. It keys the embedded settings and
// becomes the installer's UpgradeCode, so it must be the product's own GUID and never change.
#pragma once

#include <string>

namespace qxpack {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits in either case.
bool isBracedGuid(const std::string& text);

// Why `code` cannot be a product's Upgrade Code; empty when it can. Refused: the well-known example GUID
// and the nil GUID, which other products carry too, and text in braces that is not a GUID (such as the
// documentation's placeholder). Other text without braces is the launcher's to accept; `qxpack msi`
// asks for a GUID on its own.
std::string upgradeCodeProblem(const std::string& code);

// What to do about it, for the end of a message.
extern const char kUpgradeCodeAdvice[];

}  // namespace qxpack
