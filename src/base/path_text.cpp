#include "base/path_text.h"

namespace qx {

std::wstring cutPathComponents(const std::wstring& path, int count) {
    std::wstring out = path;
    for (int i = 0; i < count; ++i) {
        const size_t slash = out.rfind(L'\\');
        if (slash == std::wstring::npos) break;
        out.erase(slash);
    }
    return out;
}

}  // namespace qx
