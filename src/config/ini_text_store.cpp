#include "config/ini_text_store.h"

#include <cwctype>

#include "base/split_text.h"

namespace qx {

namespace {

std::wstring trimSpace(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first])) ++first;
    while (last > first && std::iswspace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

uint32_t IniTextStore::readSignature(std::array<uint8_t, 4>& signature) {
    signature.fill(0);
    return 1;
}

void IniTextStore::getValue(const std::wstring& section, const std::wstring& key, std::wstring& value) {
    for (const IniSection& s : sections_) {
        if (s.name != section) continue;
        for (const auto& entry : s.entries) {
            if (entry.first == key) {
                value = entry.second;
                return;
            }
        }
        return;  // later sections of the same name are never consulted
    }
}

void IniTextStore::getSectionNames(std::vector<std::wstring>& names) {
    names.clear();
    for (const IniSection& s : sections_) names.push_back(s.name);
}

void IniTextStore::setValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    for (IniSection& s : sections_) {
        if (s.name == section) {
            s.entries.emplace_back(key, value);
            return;
        }
    }
    sections_.push_back(IniSection{section, {{key, value}}});
}

void IniTextStore::parseText(const std::wstring& text) {
    sections_.clear();
    std::vector<std::wstring> lines;
    splitText(text, L"\r\n", lines);
    if (!lines.empty() && !lines.front().empty() && lines.front().front() == 0xFEFF)
        lines.front().erase(0, 1);

    IniSection* current = nullptr;
    for (const std::wstring& raw : lines) {
        size_t start = 0;
        while (start < raw.size() && raw[start] <= 0x20) ++start;
        if (start == raw.size()) continue;
        const std::wstring line = raw.substr(start);

        if (line.front() == L'[') {
            size_t end = line.size();
            while (end > 0 && line[end - 1] <= 0x20) --end;
            if (line[end - 1] == L']') {
                const size_t close = line.rfind(L']');
                sections_.push_back(IniSection{line.substr(1, close - 1), {}});
                current = &sections_.back();
                continue;
            }
        }
        if (current == nullptr) continue;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) continue;
        current->entries.emplace_back(trimSpace(line.substr(0, equals)), trimSpace(line.substr(equals + 1)));
    }
}

}  // namespace qx
