#include "config/layered_store.h"

#include "config/layered_value.h"

namespace qx {

void LayeredStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    value.clear();
    IniTextStore::getValue(section, key, value);

    std::wstring fileValue;
    IniFileStore::getValue(section, key, fileValue);
    // The "+" section is read only when the file gives no value of its own.
    std::wstring plusValue;
    if (fileValue.empty()) IniFileStore::getValue(section + L"+", key, plusValue);
    value = layeredValue(value, fileValue, plusValue);
}

std::wstring LayeredStore::value(const std::wstring& section, const std::wstring& key) {
    std::wstring result;
    getValue(section, key, result);
    return result;
}

}  // namespace qx
