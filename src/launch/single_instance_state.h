// What a single-instance start holds: the shared block and, in the primary, the listener.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/scoped.h"
#include "launch/handoff_block.h"

namespace qx {

struct SingleInstanceState {
    uint8_t singleInstance = 0;  // the mode is in force
    uint8_t isPrimary = 0;       // this process created the block
    UniqueHandle handoffMapping;
    UniqueTypedView<HandoffBlock> handoffBlock;  // the mapped block
    UniqueHandle listenerThread;                 // the primary's
    UniqueHandle handoffsClosing;                // primary: set when the launcher goes; requests then end
    // Held shared by a handoff while it checks handoffsClosing and attaches, exclusively to set it.
    SRWLOCK handoffGate = SRWLOCK_INIT;
    // The primary's running handoff threads; written only by the listener, read once it has ended.
    std::vector<UniqueHandle> handoffThreads;
    // Private copies of what the block says, which any process of the user may overwrite.
    uint32_t handoffMessage = 0;     // the handoff message number, both ways
    uint32_t handoffAckMessage = 0;  // primary to secondary: "your arguments are copied"
    UniqueHandle primaryProcess;     // second start: the primary, opened before the handoff
};

}  // namespace qx
