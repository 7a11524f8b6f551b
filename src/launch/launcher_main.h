// The launch sequence behind both entry points: the console launcher's wmain and the windowed
// launcher's wWinMain.
#pragma once

namespace qx {

enum class LauncherKind {
    Console,   // error lines on standard output; uncaught exceptions described on standard error
    Windowed,  // no console: error lines in a message box without a handed-over output, and the
               // "Java Exception" dialog
};

// Runs the whole launch and returns the process exit code.
int runLauncher(LauncherKind kind);

}  // namespace qx
