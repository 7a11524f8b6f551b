#include "config/layered_store.h"

#include "diag/trace.h"

namespace qx {
namespace {

// Which layer gave a value. An embedded value is never written: embedded settings may be meant to
// stay unread.
void traceLayer(const std::wstring& section, const std::wstring& key, const std::wstring& layer) {
    if (traceOn()) trace(L"setting [" + section + L"] " + key + L": " + layer);
}

}  // namespace

void LayeredStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    value.clear();
    IniTextStore::getValue(section, key, value);

    std::wstring fileValue;
    IniFileStore::getValue(section, key, fileValue);
    if (!fileValue.empty()) {
        value = fileValue;
        traceLayer(section, key, L"settings file = " + fileValue);
        return;
    }
    IniFileStore::getValue(section + L"+", key, fileValue);
    if (fileValue.empty()) {
        if (!value.empty()) traceLayer(section, key, L"embedded settings");
        return;
    }
    traceLayer(section, key,
               std::wstring(value.empty() ? L"" : L"embedded settings extended by ") + L"settings file [" +
                   section + L"+] = " + fileValue);
    if (fileValue.front() != L' ') value.push_back(L' ');
    value += fileValue;
}

std::wstring LayeredStore::value(const std::wstring& section, const std::wstring& key) {
    std::wstring result;
    getValue(section, key, result);
    return result;
}

}  // namespace qx
