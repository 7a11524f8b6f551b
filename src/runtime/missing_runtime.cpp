#include "runtime/missing_runtime.h"

#include <windows.h>

#include "diag/format_message.h"
#include "diag/message_catalogue.h"
#include "runtime/requirement_text.h"

namespace qx {

std::wstring missingRuntimeMessage(const RuntimeRequest& request) {
    const unsigned id = request.jvmType == kJvmServer ? kMsgJreNotFoundServer : kMsgJreNotFound;
    return formatMessage(loadMessage(id),
                         {buildRequirementText(request.minimumVersion, request.maximumVersion)});
}

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
