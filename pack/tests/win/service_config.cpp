// Prints what the service control manager holds for one service, one "name: value" line each, in
// UTF-8: the installer's ServiceInstall row as the system took it.
//
// usage: service_config NAME
// Exits with 1 when the service cannot be opened or queried.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string narrow(const wchar_t* text) {
    if (text == nullptr) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

// Asks once for the size, then for the data.
template <typename Query>
std::vector<BYTE> queried(Query query) {
    DWORD needed = 0;
    query(nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !query(buffer.data(), needed, &needed)) buffer.clear();
    return buffer;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: service_config NAME\n");
        return 2;
    }
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service = manager ? OpenServiceW(manager, argv[1], SERVICE_QUERY_CONFIG) : nullptr;
    const std::vector<BYTE> config = queried([service](BYTE* data, DWORD size, DWORD* needed) {
        return QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(data), size, needed);
    });
    const std::vector<BYTE> description = queried([service](BYTE* data, DWORD size, DWORD* needed) {
        return QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, data, size, needed);
    });
    const DWORD error = GetLastError();
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    if (config.empty()) {
        std::fprintf(stderr, "cannot query the service (error %lu)\n", error);
        return 1;
    }
    const auto* c = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(config.data());
    std::printf("display name: %s\n", narrow(c->lpDisplayName).c_str());
    std::printf("start name: %s\n", narrow(c->lpServiceStartName).c_str());
    std::printf("start type: %lu\n", c->dwStartType);
    std::printf("description: %s\n",
                description.empty()
                    ? ""
                    : narrow(reinterpret_cast<const SERVICE_DESCRIPTIONW*>(description.data())->lpDescription)
                          .c_str());
    return 0;
}
