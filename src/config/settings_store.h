// A source of settings: string values found by a section name and a key name. Pure interface: no
// Windows types, so text-only stores stay free of <windows.h>.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Fills `signature` with the first bytes of the backing data; 0 or the Win32 error code.
    virtual uint32_t readSignature(std::array<uint8_t, 4>& signature) = 0;
    // Looks up one value; whether a miss replaces or keeps `value` is each store's contract.
    virtual void getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) = 0;
    // Replaces `names` with the store's section names, in order.
    virtual void getSectionNames(std::vector<std::wstring>& names) = 0;
    // Stores one value; failures are not reported (no caller can act on them).
    virtual void setValue(const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) = 0;
    // Removes whatever backs the store, if anything does.
    virtual void deleteBackingFile() = 0;

protected:
    SettingsStore() = default;
    SettingsStore(const SettingsStore&) = default;
    SettingsStore& operator=(const SettingsStore&) = default;
};

}  // namespace qx
