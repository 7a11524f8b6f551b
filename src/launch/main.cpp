#include "launch/launcher_main.h"

#ifdef QX_NARROW_ENTRY
int main() { return qx::runLauncher(qx::LauncherKind::Console); }
#else
int wmain() { return qx::runLauncher(qx::LauncherKind::Console); }
#endif
