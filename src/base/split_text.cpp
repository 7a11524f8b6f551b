#include "base/split_text.h"

namespace qx {

void splitText(const std::wstring& text, const std::wstring& delimiter, std::vector<std::wstring>& pieces) {
    pieces.clear();
    if (text.empty() || delimiter.empty()) return;
    size_t p = 0;
    for (;;) {
        const size_t i = text.find(delimiter, p);
        if (i == std::wstring::npos) {
            pieces.push_back(text.substr(p));
            return;
        }
        pieces.push_back(text.substr(p, i - p));
        p = i + delimiter.size();
        if (p >= text.size()) return;
    }
}

void splitArguments(const std::wstring& text, std::vector<std::wstring>& arguments) {
    const size_t end = text.size();
    size_t p = 0;
    while (p < end) {
        if (text[p] == L'"') {
            ++p;
            if (p == end) {
                arguments.emplace_back();
                return;
            }
            const size_t close = text.find(L'"', p);
            if (close == std::wstring::npos) {
                arguments.push_back(text.substr(p));
                return;
            }
            arguments.push_back(text.substr(p, close - p));
            p = close + 1;
        } else {
            const size_t space = text.find(L' ', p);
            if (space == std::wstring::npos) {
                arguments.push_back(text.substr(p));
                return;
            }
            arguments.push_back(text.substr(p, space - p));
            p = space;
        }
        while (p < end && text[p] == L' ') ++p;
    }
}

}  // namespace qx
