// Reading the machine type of a PE image from its bytes, never past `size`. Pure logic: no Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

constexpr uint16_t kMachineX86 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMachineArm64 = 0xAA64;

// Offset of the NT headers when the image has a DOS header ("MZ") and its NT headers (signature,
// file header and the optional header it announces) lie wholly inside the bytes; false otherwise.
[[nodiscard]] bool locateNtHeaders(const unsigned char* data, size_t size, size_t* offset);

// The file header's machine field when locateNtHeaders succeeds and the signature is "PE\0\0".
[[nodiscard]] bool peMachine(const unsigned char* data, size_t size, uint16_t* machine);

// The name the trace gives a machine: "x86", "x64", "arm64", or "other".
const wchar_t* machineName(uint16_t machine);

}  // namespace qx
