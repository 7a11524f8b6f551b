#include "runtime/requirement_text.h"

#include <vector>

#include "diag/format_message.h"
#include "diag/message_catalogue.h"

namespace qx {

std::wstring buildRequirementText(const JavaVersion& minimum, const JavaVersion& maximum) {
    const RequirementMessage message = requirementMessage(minimum, maximum);
    const std::vector<FormatArg> args(message.args.begin(), message.args.end());
    return formatMessage(loadMessage(message.id), args);
}

}  // namespace qx
