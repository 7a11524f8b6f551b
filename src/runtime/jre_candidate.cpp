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
    const std::vector<size_t> order = choiceOrder(sorted, preferredVersions);
    return order.empty() ? nullptr : &sorted[order.front()];
}

std::vector<size_t> choiceOrder(const std::vector<JreCandidate>& sorted,
                                const std::vector<std::wstring>& preferredVersions) {
    std::vector<size_t> order;
    for (const std::wstring& entry : preferredVersions) {
        for (size_t i = 0; i < sorted.size(); ++i) {
            if (matchesPreferredVersion(entry, sorted[i].version)) order.push_back(i);
        }
    }
    for (size_t i = 0; i < sorted.size(); ++i) order.push_back(i);
    return order;
}

}  // namespace qx
