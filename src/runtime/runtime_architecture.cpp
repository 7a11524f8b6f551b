#include "runtime/runtime_architecture.h"

#include <windows.h>

#include <string>

#include "base/scoped.h"
#include "diag/trace.h"

namespace qx {
namespace {

using ImageNtHeaderFn = PIMAGE_NT_HEADERS(WINAPI*)(PVOID);

// A file mapped read-only whole. Its bytes are checked against its size before anything reads them,
// since anyone may have put the file there.
struct MappedFile {
    UniqueFile file;
    UniqueHandle mapping;
    UniqueView view;
    size_t size = 0;

    const unsigned char* bytes() const { return static_cast<const unsigned char*>(view.get()); }

    bool open(const std::wstring& path) {
        file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(file.get(), &length) || length.QuadPart <= 0) return false;
        mapping.reset(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping) return false;
        view.reset(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
        size = static_cast<size_t>(length.QuadPart);
        return static_cast<bool>(view);
    }
};

// True when the file at `path` is a PE image for x86.
bool isX86Image(const std::wstring& path) {
    MappedFile image;
    uint16_t machine = 0;
    if (!image.open(path) || !peMachine(image.bytes(), image.size, &machine)) return false;
    // Only from the system folder: a copy beside the application must never be loaded.
    UniqueModule dbghelp(LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dbghelp) return false;
    auto imageNtHeader = reinterpret_cast<ImageNtHeaderFn>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp.get(), "ImageNtHeader")));
    if (!imageNtHeader) return false;
    const IMAGE_NT_HEADERS* headers = imageNtHeader(const_cast<unsigned char*>(image.bytes()));
    return headers && headers->Signature == IMAGE_NT_SIGNATURE && headers->FileHeader.Machine == kMachineX86;
}

}  // namespace

void checkRuntimeArchitecture(const RuntimeRequest& request, RuntimeChoice& choice) {
    choice.relaunchAsPair = 0;
    if (request.pairProduct.empty() || !kHandsX86RuntimesToPair) return;
    if (isX86Image(choice.jvmLibraryPath)) choice.relaunchAsPair = 1;
}

bool hostsRuntimeLibrary(const std::wstring& path, uint16_t host) {
    if (host != kMachineArm64) return true;
    MappedFile image;
    uint16_t machine = 0;
    const bool known = image.open(path) && peMachine(image.bytes(), image.size, &machine);
    if (known && machine == kMachineArm64) return true;
    if (traceOn()) {
        trace(L"runtime library " + path + L" (" + (known ? machineName(machine) : L"not a PE image") +
              L"): passed over, this launcher hosts " + machineName(host) + L" runtimes only");
    }
    return false;
}

}  // namespace qx
