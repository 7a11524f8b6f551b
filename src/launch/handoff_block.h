// The single-instance block shared by every start of one executable path, and the pure text rules
// around it: object names and the encoding of a second start's arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

constexpr size_t kHandoffAreaBytes = 1040;
constexpr size_t kHandoffAreaUnits = kHandoffAreaBytes / 2;

// Little-endian, 2092 bytes; other builds of the launcher read the same layout, so it never changes.
struct HandoffBlock {
    uint32_t listenerThreadId;
    uint32_t primaryProcessId;
    uint32_t handoffMessageId;
    uint16_t argumentArea[kHandoffAreaUnits];
    uint16_t reserved[kHandoffAreaUnits];  // stays zero; decoding may run into it
};
static_assert(sizeof(HandoffBlock) == 2092, "the block's size is shared with other processes");
static_assert(offsetof(HandoffBlock, argumentArea) == 12, "the argument area starts at offset 12");

// The module path with every backslash replaced by an underscore: the name of the mapping and of the
// registered message.
std::wstring handoffObjectName(const std::wstring& modulePath);
// The ready event's name.
std::wstring handoffReadyEventName(const std::wstring& objectName);
// Held by a start from the moment it looks at the block until the block's contents have been taken.
std::wstring handoffMutexName(const std::wstring& objectName);
// The primary's message telling one second start that its arguments have been copied.
std::wstring handoffAckMessageName(const std::wstring& objectName);

// Bytes the arguments take in the area: every argument's units plus its terminator, plus the final
// terminator.
size_t handoffArgumentBytes(const std::vector<std::wstring>& arguments);

// Zero-fills the area and writes the arguments, each ended by a zero unit. False (area untouched) when
// they need more than kHandoffAreaBytes.
[[nodiscard]] bool encodeHandoffArguments(const std::vector<std::wstring>& arguments, HandoffBlock& block);

// Decodes the area into `arguments` (appended). Reads 16-bit units from offset 12 while their byte
// offset is below 2090, so a block without terminators is read through the reserved area and its
// unfinished last string dropped. An empty string after the first ends the list (a second zero).
void readHandoffArguments(const HandoffBlock& block, std::vector<std::wstring>& arguments);

}  // namespace qx
