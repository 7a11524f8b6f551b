#include "runtime/runtime_architecture.h"

#include <windows.h>

#include <string>

#include "base/scoped.h"
#include "runtime/pe_header.h"

namespace qx {
namespace {

using ImageNtHeaderFn = PIMAGE_NT_HEADERS(WINAPI*)(PVOID);

// True when the file at `path` is a PE image for x86. The bytes are checked against the file size
// before the image-help library looks at them, since anyone may have put the file there.
bool isX86Image(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    const auto* bytes = static_cast<const unsigned char*>(view.get());
    const size_t length = static_cast<size_t>(size.QuadPart);

    uint16_t machine = 0;
    if (!peMachine(bytes, length, &machine)) return false;
    // Only from the system folder: a copy beside the application must never be loaded.
    UniqueModule dbghelp(LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dbghelp) return false;
    auto imageNtHeader = reinterpret_cast<ImageNtHeaderFn>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp.get(), "ImageNtHeader")));
    if (!imageNtHeader) return false;
    const IMAGE_NT_HEADERS* headers = imageNtHeader(const_cast<unsigned char*>(bytes));
    return headers && headers->Signature == IMAGE_NT_SIGNATURE && headers->FileHeader.Machine == kMachineX86;
}

}  // namespace

void checkRuntimeArchitecture(const RuntimeRequest& request, RuntimeChoice& choice) {
    choice.relaunchAsPair = 0;
    if (request.pairProduct.empty() || !kHandsX86RuntimesToPair) return;
    if (isX86Image(choice.jvmLibraryPath)) choice.relaunchAsPair = 1;
}

}  // namespace qx
