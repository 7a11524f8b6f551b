#include "runtime/jvm_probe.h"

#include <windows.h>

#include "base/scoped.h"
#include "runtime/host_machine.h"

namespace qx {
namespace {

constexpr const wchar_t* kServerLibrary = L"bin\\server\\jvm.dll";
constexpr const wchar_t* kDefaultOrder[] = {
    L"bin\\client\\jvm.dll", L"bin\\classic\\jvm.dll", L"bin\\hotspot\\jvm.dll",
    L"bin\\server\\jvm.dll", L"bin\\jrockit\\jvm.dll",
};

}  // namespace

bool pathExists(const std::wstring& path) {
    // A registry search probes up to five names per registered runtime. Asking for the attributes is
    // one query where a directory search opens, lists and closes the folder; only a name with
    // wildcards (DOS ones included), which FindFirstFileW matches as a pattern, still needs the search.
    if (path.find_first_of(L"*?<>\"") == std::wstring::npos) {
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return true;
        // A folder that may be searched but not read still lists the name.
        if (GetLastError() != ERROR_ACCESS_DENIED && GetLastError() != ERROR_SHARING_VIOLATION) return false;
    }
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(path.c_str(), &data));
    return static_cast<bool>(find);
}

std::wstring probeJvmLibrary(const std::wstring& folder, int32_t probeType, bool* server) {
    // The first library that exists decides: one this launcher cannot host passes the folder over.
    auto found = [&](const wchar_t* sub) {
        std::wstring path = folder + sub;
        if (!hostsRuntimeLibrary(path)) return std::wstring();
        if (server) *server = std::wstring(sub) == kServerLibrary;
        return path;
    };
    if (probeType == 1 || probeType == 2) {
        if (pathExists(folder + kServerLibrary)) return found(kServerLibrary);
        if (probeType == 1) return {};
    }
    for (const wchar_t* sub : kDefaultOrder) {
        if (pathExists(folder + sub)) return found(sub);
    }
    return {};
}

bool hasJavaDll(const std::wstring& folder) { return pathExists(folder + L"bin\\java.dll"); }

}  // namespace qx
