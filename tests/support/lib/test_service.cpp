#include "support/lib/test_service.h"

namespace qxtest {

TestService::TestService(const std::wstring& name, const std::wstring& commandLine)
    : name_(name), manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    if (!manager_) return;
    {
        qx::UniqueServiceHandle old(OpenServiceW(manager_.get(), name.c_str(), SERVICE_ALL_ACCESS));
        if (old) {
            service_ = std::move(old);
            killProcess();
            DeleteService(service_.get());
            service_.reset();
        }
    }
    service_.reset(CreateServiceW(manager_.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                  commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
}

TestService::~TestService() {
    if (!service_) return;
    killProcess();
    DeleteService(service_.get());
}

bool TestService::start(const std::vector<std::wstring>& parameters) {
    std::vector<const wchar_t*> argv;
    for (const std::wstring& p : parameters) argv.push_back(p.c_str());
    return StartServiceW(service_.get(), static_cast<DWORD>(argv.size()),
                         argv.empty() ? nullptr : argv.data());
}

bool TestService::stop(SERVICE_STATUS* reply) {
    SERVICE_STATUS status{};
    const bool ok = ControlService(service_.get(), SERVICE_CONTROL_STOP, &status);
    if (reply) *reply = status;
    return ok;
}

SERVICE_STATUS_PROCESS TestService::status() const {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    QueryServiceStatusEx(service_.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                         sizeof status, &needed);
    return status;
}

bool TestService::waitForState(DWORD state, DWORD timeoutMs, std::vector<SERVICE_STATUS_PROCESS>* observed) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const SERVICE_STATUS_PROCESS now = status();
        if (observed && (observed->empty() || observed->back().dwCurrentState != now.dwCurrentState ||
                         observed->back().dwCheckPoint != now.dwCheckPoint)) {
            observed->push_back(now);
        }
        if (now.dwCurrentState == state) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
}

qx::UniqueHandle TestService::openProcess() const {
    const SERVICE_STATUS_PROCESS now = status();
    if (now.dwProcessId == 0) return {};
    return qx::UniqueHandle(
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, now.dwProcessId));
}

void TestService::killProcess() {
    qx::UniqueHandle process = openProcess();
    if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.get(), 0xDEAD);
        WaitForSingleObject(process.get(), 10000);
    }
}

}  // namespace qxtest
