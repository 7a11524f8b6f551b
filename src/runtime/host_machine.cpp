#include "runtime/host_machine.h"

#include <windows.h>

#include <vector>

#include "base/scoped.h"
#include "diag/trace.h"

namespace qx {
namespace {

// Every linker puts a library's headers at its start; a file whose headers lie further is not one
// that a runtime's vendor built, and the search reads no more of an unknown file than this.
constexpr DWORD kHeaderBytes = 64 * 1024;

// The machine of the PE image at `path`, from its first bytes; false when there is none.
bool imageMachine(const std::wstring& path, uint16_t* machine) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<unsigned char> head(kHeaderBytes);
    DWORD read = 0;
    if (!ReadFile(file.get(), head.data(), kHeaderBytes, &read, nullptr)) return false;
    return peMachine(head.data(), read, machine);
}

}  // namespace

bool hostsRuntimeLibrary(const std::wstring& path, uint16_t host) {
    if (host != kMachineArm64) return true;
    uint16_t machine = 0;
    const bool known = imageMachine(path, &machine);
    if (known && machine == kMachineArm64) return true;
    if (traceOn()) {
        trace(L"runtime library " + path + L" (" + (known ? machineName(machine) : L"not a PE image") +
              L"): passed over, this launcher hosts " + machineName(host) + L" runtimes only");
    }
    return false;
}

}  // namespace qx
