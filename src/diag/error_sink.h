// Where an error line goes. The console launcher always writes it to standard output; the windowed
// launcher has no console, so a user who started it from the shell would otherwise never see it.
#pragma once

#include <functional>
#include <string>

namespace qx {

// Set once by the windowed launcher's entry point, before anything can be reported. From then on an
// error line still goes to a standard output that the parent handed over (a pipe or a file); without
// one it is shown in a message box captioned with `productName()` (the executable's name while that is
// empty), and dropped on a window station that no user sees.
void useWindowedErrorOutput(std::function<std::wstring()> productName);

// True when the error line of `message` has been dealt with (shown, or dropped where nothing can be
// shown); false when it belongs on standard output.
bool divertErrorLine(const std::wstring& message);

}  // namespace qx
