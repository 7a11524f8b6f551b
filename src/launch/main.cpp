#include "launch/launcher_main.h"

int wmain() { return qx::runLauncher(qx::LauncherKind::Console); }
