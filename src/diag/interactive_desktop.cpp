#include "diag/interactive_desktop.h"

#include <windows.h>

namespace qx {

bool hasInteractiveDesktop() {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    // Only a station that cannot be queried at all is given the benefit of the doubt.
    if (!GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace qx
