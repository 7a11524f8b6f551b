#include "settings/upgrade_code.h"

#include <cctype>

namespace qxpack {

namespace {

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

const char kUpgradeCodeAdvice[] =
    "make the product's own once with uuidgen (Debian and Ubuntu: package uuid-runtime; Windows: "
    "New-Guid), write it in braces and never change it: the next version's installer finds this one by it";

bool isBracedGuid(const std::string& text) {
    static const char kShape[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != sizeof kShape - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool hex = std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
        if (kShape[i] == 'X' ? !hex : text[i] != kShape[i]) return false;
    }
    return true;
}

std::string upgradeCodeProblem(const std::string& code) {
    // Copied from examples into many products: two products with one Upgrade Code replace each other
    // when installed.
    static const struct {
        const char* guid;
        const char* what;
    } kShared[] = {{"{6B29FC40-CA47-1067-B31D-00DD010662DA}", "the well-known example GUID"},
                   {"{00000000-0000-0000-0000-000000000000}", "the nil GUID"}};
    for (const auto& shared : kShared) {
        if (upperCase(code) == shared.guid)
            return "Upgrade Code " + code + " is " + shared.what +
                   ", which other products carry too, and products that share an Upgrade Code replace each "
                   "other when installed";
    }
    if (!code.empty() && code.front() == '{' && !isBracedGuid(code))
        return "Upgrade Code \"" + code + "\" is not a GUID in braces";
    return {};
}

}  // namespace qxpack
