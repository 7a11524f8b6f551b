#include <windows.h>

#include "launch/launcher_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return qx::runLauncher(qx::LauncherKind::Windowed); }
