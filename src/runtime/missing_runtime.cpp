#include "runtime/missing_runtime.h"

#include "diag/format_message.h"
#include "diag/message_catalogue.h"
#include "runtime/requirement_text.h"

namespace qx {

std::wstring missingRuntimeMessage(const RuntimeRequest& request) {
    const unsigned id = request.jvmType == kJvmServer ? kMsgJreNotFoundServer : kMsgJreNotFound;
    return formatMessage(loadMessage(id),
                         {buildRequirementText(request.minimumVersion, request.maximumVersion)});
}

}  // namespace qx
