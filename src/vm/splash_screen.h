// The splash screen, shown through the runtime's own splash library before the VM exists, so that the
// application finds it through java.awt.SplashScreen, draws on it and closes it.
#pragma once

#include <string>

namespace qx {

struct VmSettings;

// What decides the image, first match wins: the "Splash Image" setting (environment references
// expanded, relative to the executable's folder), else the SplashScreen-Image attribute of the manifest
// of the class path's first jar (the executable itself when a jar is appended to it), read from that
// jar. The class path is the one in `vm.vmOptions`.
struct SplashSource {
    std::wstring imageSetting;
    std::wstring executablePath;
};

// Shows the image through bin\splashscreen.dll of the runtime whose JVM library is `jvmLibraryPath`
// and sets `vm.closeSplash`. A splash never fails a launch: on a window station no user sees, or when
// the library, one of its entry points or the image is missing or unreadable, nothing shows and one
// trace line tells why.
void showSplashScreen(VmSettings& vm, const std::wstring& jvmLibraryPath, const SplashSource& source);

}  // namespace qx
