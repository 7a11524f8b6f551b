#include "config/layered_store.h"

namespace qx {

void LayeredStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    value.clear();
    IniTextStore::getValue(section, key, value);

    std::wstring fileValue;
    IniFileStore::getValue(section, key, fileValue);
    if (!fileValue.empty()) {
        value = fileValue;
        return;
    }
    IniFileStore::getValue(section + L"+", key, fileValue);
    if (fileValue.empty()) return;
    if (fileValue.front() != L' ') value.push_back(L' ');
    value += fileValue;
}

std::wstring LayeredStore::value(const std::wstring& section, const std::wstring& key) {
    std::wstring result;
    getValue(section, key, result);
    return result;
}

}  // namespace qx
