#include "vm/splash_screen.h"

#include <windows.h>

#include "base/ansi.h"
#include "base/environment.h"
#include "base/long_path.h"
#include "base/path_text.h"
#include "base/scoped.h"
#include "diag/interactive_desktop.h"
#include "diag/trace.h"
#include "vm/jar_file.h"
#include "vm/jar_manifest.h"
#include "vm/vm_library.h"
#include "vm/vm_options.h"
#include "vm/vm_settings.h"

namespace qx {
namespace {

// The splash library's entry points, as the runtime's own launcher calls them.
using SplashInitFn = void (*)();
using SplashLoadMemoryFn = int (*)(void* data, int size);
using SplashSetFileJarNameFn = void (*)(const char* fileName, const char* jarName);

constexpr char kSplashAttribute[] = "SplashScreen-Image";

// The image, and the names the application reads back through SplashScreen.getImageURL.
struct SplashImage {
    std::string bytes;
    std::wstring fileName;  // the image file, or the entry inside the jar
    std::wstring jarName;   // empty for an image file of its own
};

enum class Lookup { NoneNamed, Read, Failed };

// The first entry of the class path the VM gets.
std::wstring firstClassPathEntry(const VmOptionList& options) {
    const std::wstring classPath = classPathOption(options);
    return classPath.substr(0, classPath.find(L';'));
}

bool sameIgnoringCase(const wchar_t* a, size_t aLength, const std::wstring& b) {
    return CompareStringOrdinal(a, static_cast<int>(aLength), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Only an archive's manifest can name an image: a class folder or any other entry is never opened.
bool isArchive(const std::wstring& entry, const std::wstring& executablePath) {
    const auto endsWith = [&entry](const std::wstring& suffix) {
        return entry.size() >= suffix.size() &&
               sameIgnoringCase(entry.c_str() + entry.size() - suffix.size(), suffix.size(), suffix);
    };
    return endsWith(L".jar") || endsWith(L".zip") ||
           sameIgnoringCase(entry.c_str(), entry.size(), executablePath);
}

Lookup readImageFile(const SplashSource& source, SplashImage& image) {
    image.fileName = expandOrKeep(source.imageSetting);
    if (!isAbsolutePath(image.fileName))
        image.fileName = cutPathComponents(source.executablePath, 1) + L'\\' + image.fileName;
    if (readWholeFile(image.fileName, image.bytes)) return Lookup::Read;
    trace(L"splash screen: none, cannot read " + image.fileName + L" (error " +
          std::to_wstring(GetLastError()) + L")");
    return Lookup::Failed;
}

Lookup readImageFromJar(const VmSettings& vm, const SplashSource& source, SplashImage& image) {
    const std::wstring jarName = firstClassPathEntry(vm.vmOptions);
    if (jarName.empty() || !isArchive(jarName, source.executablePath)) {
        if (traceOn())
            trace(L"splash screen: none named (no \"Splash Image\", no jar first on the class path)");
        return Lookup::NoneNamed;
    }
    JarFile jar;
    std::string manifest, entryName;
    if (!jar.open(jarName) || !jar.read(kManifestEntryName, true, manifest) ||
        !manifestMainAttribute(manifest, kSplashAttribute, entryName) || entryName.empty()) {
        if (traceOn())
            trace(L"splash screen: none named (no \"Splash Image\", no SplashScreen-Image in " + jarName +
                  L")");
        return Lookup::NoneNamed;
    }
    // Manifests are UTF-8, whatever the ANSI code page.
    image.fileName = fromCodePage(CP_UTF8, entryName.data(), entryName.size());
    image.jarName = jarName;
    if (jar.read(entryName, false, image.bytes)) return Lookup::Read;
    trace(L"splash screen: none, " + jarName + L" has no readable entry " + image.fileName);
    return Lookup::Failed;
}

std::wstring describe(const SplashImage& image) {
    return image.jarName.empty() ? image.fileName : image.fileName + L" in " + image.jarName;
}

}  // namespace

void showSplashScreen(VmSettings& vm, const std::wstring& jvmLibraryPath, const SplashSource& source) {
    SplashImage image;
    const Lookup lookup =
        source.imageSetting.empty() ? readImageFromJar(vm, source, image) : readImageFile(source, image);
    if (lookup != Lookup::Read) return;
    if (!hasInteractiveDesktop()) {
        trace(L"splash screen: none, no user sees this window station");
        return;
    }

    const std::wstring libraryPath = cutPathComponents(jvmLibraryPath, 2) + L"\\splashscreen.dll";
    UniqueModule library(loadRuntimeLibrary(libraryPath));
    if (!library) {
        trace(L"splash screen: none, cannot load " + libraryPath + L" (error " +
              std::to_wstring(GetLastError()) + L")");
        return;
    }
    const auto resolve = [&library](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(library.get(), name));
    };
    const auto init = reinterpret_cast<SplashInitFn>(resolve("SplashInit"));
    const auto load = reinterpret_cast<SplashLoadMemoryFn>(resolve("SplashLoadMemory"));
    const auto setNames = reinterpret_cast<SplashSetFileJarNameFn>(resolve("SplashSetFileJarName"));
    const auto close = reinterpret_cast<SplashCloseFn>(resolve("SplashClose"));
    const wchar_t* missing = !init       ? L"SplashInit"
                             : !load     ? L"SplashLoadMemory"
                             : !setNames ? L"SplashSetFileJarName"
                             : !close    ? L"SplashClose"
                                         : nullptr;
    if (missing) {
        trace(L"splash screen: none, " + libraryPath + L" has no " + missing);
        return;
    }

    // The library stays loaded for good: the application's SplashScreen class finds the splash in it.
    static_cast<void>(library.release());
    init();
    // Images are read up to 64 MiB, so the size fits.
    if (!load(image.bytes.data(), static_cast<int>(image.bytes.size()))) {
        // A failed load has closed the splash already.
        trace(L"splash screen: none, the runtime cannot show " + describe(image));
        return;
    }
    const std::string fileName = toAnsi(image.fileName);
    const std::string jarName = toAnsi(image.jarName);
    setNames(fileName.c_str(), image.jarName.empty() ? nullptr : jarName.c_str());
    vm.closeSplash = close;
    if (traceOn()) trace(L"splash screen: " + describe(image) + L" shown through " + libraryPath);
}

}  // namespace qx
