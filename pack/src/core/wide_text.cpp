#include "core/wide_text.h"

namespace qxpack {

std::wstring toWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::u16string fromWide(const std::wstring& text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(static_cast<char16_t>(c));
    return out;
}

}  // namespace qxpack
