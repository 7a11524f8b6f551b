// Small ZIP archives for the tests of the end-record rules: stored entries, a comment, and the ZIP64
// end record and locator that the JDK's jar tool writes from 65,535 entries on (here with any count).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qxtest {

struct ZipSpec {
    std::vector<std::pair<std::string, std::string>> entries;  // name, stored data
    std::string comment;
    // A ZIP64 end record and locator before the end record, whose count is then 0xFFFF as the jar
    // tool writes it; the locator's record offset counts from `locatorBase` on.
    bool zip64 = false;
    uint64_t locatorBase = 0;
};

// The archive's bytes; its own offsets count from its first byte.
std::string zipArchive(const ZipSpec& spec);

// Little-endian fields, for tests that write records of their own.
void putLe(std::string& bytes, size_t at, uint64_t value, int size);
std::string le(uint64_t value, int size);

}  // namespace qxtest
