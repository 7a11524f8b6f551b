#pragma once

#include <cstdint>

namespace qx {

// Receives the VM's exit and abort hooks; the service host implements it.
class VmExitListener {
public:
    virtual void onVmExit(int32_t code) = 0;
    virtual void onVmAbort() = 0;

protected:
    ~VmExitListener() = default;
};

}  // namespace qx
