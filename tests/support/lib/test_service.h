// A Windows service registered with Wine's own control manager for the length of one test. The
// control manager ends its services when the last ordinary Wine process exits; the test program is
// one, so a service lives exactly as long as the test needs it.
#pragma once

#include <windows.h>

#include <winsvc.h>

#include <string>
#include <vector>

#include "base/scoped.h"

namespace qxtest {

class TestService {
public:
    // Registers `name` (an own-process, demand-start service) with `commandLine` as its binary path,
    // replacing a registration left over from an earlier run.
    TestService(const std::wstring& name, const std::wstring& commandLine);
    // Kills the service's process if it still runs, then deletes the registration.
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    bool registered() const { return static_cast<bool>(service_); }
    const std::wstring& name() const { return name_; }

    // StartServiceW with `parameters` (the control manager puts the service name in front).
    bool start(const std::vector<std::wstring>& parameters = {});
    // ControlService(SERVICE_CONTROL_STOP); the reported status lands in `reply` when given.
    bool stop(SERVICE_STATUS* reply = nullptr);
    SERVICE_STATUS_PROCESS status() const;
    // Polls until the service reports `state` (true) or `timeoutMs` has passed; `observed` collects
    // every status seen (with a changed state or check point) on the way.
    bool waitForState(DWORD state, DWORD timeoutMs, std::vector<SERVICE_STATUS_PROCESS>* observed = nullptr);
    // The service's process, opened while it runs (null when it is not running).
    qx::UniqueHandle openProcess() const;
    void killProcess();

private:
    std::wstring name_;
    qx::UniqueServiceHandle manager_;
    qx::UniqueServiceHandle service_;
};

}  // namespace qxtest
