// Whether anything this process shows can reach a user.
#pragma once

namespace qx {

// False when this process's window station shows nothing to a user (a service, a disconnected
// session), so a dialog or message box would wait for an answer that cannot come.
bool hasInteractiveDesktop();

}  // namespace qx
