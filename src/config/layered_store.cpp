#include "config/layered_store.h"

#include "config/layered_value.h"
#include "diag/trace.h"

namespace qx {
namespace {

// Which layer gave a value. An embedded value is never written: embedded settings may be meant to
// stay unread.
void traceLayers(const std::wstring& section, const std::wstring& key, const std::wstring& embedded,
                 const std::wstring& fileValue, const std::wstring& plusValue) {
    std::wstring layer;
    if (!fileValue.empty()) {
        layer = L"settings file = " + fileValue;
    } else if (!plusValue.empty()) {
        layer = std::wstring(embedded.empty() ? L"" : L"embedded settings extended by ") +
                L"settings file [" + section + L"+] = " + plusValue;
    } else if (!embedded.empty()) {
        layer = L"embedded settings";
    } else {
        return;
    }
    trace(L"setting [" + section + L"] " + key + L": " + layer);
}

}  // namespace

void LayeredStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    std::wstring embedded;
    IniTextStore::getValue(section, key, embedded);

    std::wstring fileValue;
    IniFileStore::getValue(section, key, fileValue);
    // The "+" section is read only when the file gives no value of its own.
    std::wstring plusValue;
    if (fileValue.empty()) IniFileStore::getValue(section + L"+", key, plusValue);
    if (traceOn()) traceLayers(section, key, embedded, fileValue, plusValue);
    value = layeredValue(embedded, fileValue, plusValue);
}

std::wstring LayeredStore::value(const std::wstring& section, const std::wstring& key) {
    std::wstring result;
    getValue(section, key, result);
    return result;
}

}  // namespace qx
