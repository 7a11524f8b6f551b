// Text rules of the "Virtual Machine Parameters" setting: tokens, quotes, memory shares and the
// thread stack size. Pure text logic: no Windows calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

// The machine's memory figures that a memory share is taken from, in bytes.
struct MachineMemory {
    uint64_t totalPhysical = 0;     // base of a "p"/"P" share
    uint64_t availableVirtual = 0;  // base of a "t"/"T" share: the process's free address space
};

// Cuts the value into tokens at spaces; a space between a double quote and its closing quote does
// not cut. Runs of spaces separate tokens; leading and trailing spaces give no token.
std::vector<std::wstring> splitVmParameters(const std::wstring& value);

// Replaces each quoted stretch by its content; a doubled closing quote leaves one quote, a quote
// without a partner stays.
std::wstring removeVmParameterQuotes(const std::wstring& token);

// The numbers of a size text such as "-Xmx50:512:1024p": the prefix runs up to the first digit or
// ":", each ":" opens a further field, other characters are skipped, and the last character (the
// unit) counts only when it is a digit. No digit and no ":" means no fields.
struct NumberFields {
    std::wstring prefix;
    std::vector<uint64_t> values;
};
NumberFields readNumberFields(const std::wstring& text);

// "-Xms", "-Xmx" or "-Xss" ending in "p", "P", "t" or "T": a size given as a share of memory.
bool isMemoryShare(const std::wstring& token);

// Rewrites a memory share "<prefix><percent>[:<min MB>[:<max MB>]]<unit>" as "<prefix><size>K",
// the size in kilobytes written in full however large.
std::wstring rewriteMemoryShare(const std::wstring& token, const MachineMemory& memory);

// Bytes named by the text after "-Xss" ("512k", "2m", "1g", "1048576"); 0 when it does not parse.
uint64_t parseStackSize(const std::wstring& text);

// The per-token step: quotes removed, a memory share rewritten (asking `memory` only then), and
// for an "-Xss" token `threadStackSize` overwritten. Returns the option to hand to the VM.
std::wstring prepareVmParameter(const std::wstring& token, const std::function<MachineMemory()>& memory,
                                uint64_t& threadStackSize);

}  // namespace qx
