/* The "noexports" test runtime: a loadable 64-bit jvm.dll that exports nothing at all. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance, (void)reason, (void)reserved;
    return TRUE;
}
