/* A dependency of the "deps" test runtime's jvm.dll. Built twice: the genuine copy in the runtime's bin
 * folder (QXTEST_DEPENDENCY_NAME "runtime bin") and a planted copy that a test puts beside the
 * launcher. The copy that gets loaded names itself. */
#include <windows.h>

__declspec(dllexport) const char *qxtestDependencyName(void) { return QXTEST_DEPENDENCY_NAME; }
