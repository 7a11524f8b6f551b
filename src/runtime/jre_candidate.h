// Runtimes found in the registry and how one of them is chosen. Pure logic: no Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/java_version.h"

namespace qx {

struct JreCandidate {
    JavaVersion version;     // the registry subkey name, fill 0
    std::wstring home;       // runtime folder, ending in a backslash
    bool server = false;     // the probe found "bin\server\jvm.dll"
    bool preferred = false;  // the key's kind and its vendor are both favoured
    int32_t probeType = 0;   // how its folder is probed for the JVM library (jvm_probe.h)
    size_t found = 0;        // the search's own number for where it found the candidate
};

// Best first, stably: the preferred flag decides first (only when `allowOtherKind`), then the server
// flag (only for jvmType 2, "favor_server"), then the higher version.
void sortCandidates(std::vector<JreCandidate>& candidates, bool allowOtherKind, int32_t jvmType);

// For each preferred entry in order, the first sorted candidate it matches; else the first candidate.
// Null only when the list is empty.
const JreCandidate* selectCandidate(const std::vector<JreCandidate>& sorted,
                                    const std::vector<std::wstring>& preferredVersions);

// The positions in `sorted` in the order selectCandidate considers them: for each preferred entry the
// candidates it matches, then every candidate. A search that finds out only late whether a candidate
// is usable takes the first usable one of this order, which is what selectCandidate would choose
// from the usable ones alone.
std::vector<size_t> choiceOrder(const std::vector<JreCandidate>& sorted,
                                const std::vector<std::wstring>& preferredVersions);

}  // namespace qx
