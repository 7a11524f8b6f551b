#include "runtime/jre_candidate.h"

#include <algorithm>

namespace qx {

void sortCandidates(std::vector<JreCandidate>& candidates, bool allowOtherKind, int32_t jvmType) {
    // A lexicographic order over (preferred, server, version), so any stable sort gives the same list.
    auto before = [&](const JreCandidate& a, const JreCandidate& b) {
        if (allowOtherKind && a.preferred != b.preferred) return a.preferred;
        if (jvmType == 2 && a.server != b.server) return a.server;
        return compareJavaVersions(a.version, b.version) > 0;
    };
    std::stable_sort(candidates.begin(), candidates.end(), before);
}

const JreCandidate* selectCandidate(const std::vector<JreCandidate>& sorted,
                                    const std::vector<std::wstring>& preferredVersions) {
    if (sorted.empty()) return nullptr;
    for (const std::wstring& entry : preferredVersions) {
        for (const JreCandidate& candidate : sorted) {
            if (matchesPreferredVersion(entry, candidate.version)) return &candidate;
        }
    }
    return &sorted.front();
}

}  // namespace qx
