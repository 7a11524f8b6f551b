#include "config/layered_value.h"

namespace qx {

std::wstring layeredValue(const std::wstring& embedded, const std::wstring& fileValue,
                          const std::wstring& plusValue) {
    if (!fileValue.empty()) return fileValue;
    std::wstring value = embedded;
    if (plusValue.empty()) return value;
    if (plusValue.front() != L' ') value.push_back(L' ');
    return value + plusValue;
}

}  // namespace qx
