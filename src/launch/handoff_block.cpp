#include "launch/handoff_block.h"

namespace qx {

std::wstring handoffObjectName(const std::wstring& modulePath) {
    std::wstring name = modulePath;
    for (wchar_t& c : name) {
        if (c == L'\\') c = L'_';
    }
    return name;
}

std::wstring handoffReadyEventName(const std::wstring& objectName) { return objectName + L"_upr_evt"; }

std::wstring handoffMutexName(const std::wstring& objectName) { return objectName + L"_upr_mtx"; }

std::wstring handoffAckMessageName(const std::wstring& objectName) { return objectName + L"_upr_ack"; }

size_t handoffArgumentBytes(const std::vector<std::wstring>& arguments) {
    size_t bytes = 2;
    for (const std::wstring& argument : arguments) bytes += (argument.size() + 1) * 2;
    return bytes;
}

bool encodeHandoffArguments(const std::vector<std::wstring>& arguments, HandoffBlock& block) {
    if (handoffArgumentBytes(arguments) > kHandoffAreaBytes) return false;
    size_t unit = 0;
    for (uint16_t& u : block.argumentArea) u = 0;
    for (const std::wstring& argument : arguments) {
        for (wchar_t c : argument) block.argumentArea[unit++] = static_cast<uint16_t>(c);
        ++unit;  // the zero fill is the terminator
    }
    return true;
}

void readHandoffArguments(const HandoffBlock& block, std::vector<std::wstring>& arguments) {
    // Units at byte offsets 12 to 2088: the area, then the reserved part but for its last unit.
    constexpr size_t kUnits = (2090 - offsetof(HandoffBlock, argumentArea)) / 2;
    auto unitAt = [&block](size_t i) {
        return i < kHandoffAreaUnits ? block.argumentArea[i] : block.reserved[i - kHandoffAreaUnits];
    };
    std::wstring current;
    for (size_t i = 0; i < kUnits; ++i) {
        const uint16_t unit = unitAt(i);
        if (unit != 0) {
            current.push_back(static_cast<wchar_t>(unit));
            continue;
        }
        arguments.push_back(current);
        current.clear();
        if (i + 1 < kUnits && unitAt(i + 1) == 0) return;
    }
}

}  // namespace qx
