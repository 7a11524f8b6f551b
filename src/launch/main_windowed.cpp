#include <windows.h>

#include "launch/launcher_main.h"

#ifdef QX_NARROW_ENTRY
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return qx::runLauncher(qx::LauncherKind::Windowed); }
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return qx::runLauncher(qx::LauncherKind::Windowed); }
#endif
