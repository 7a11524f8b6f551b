#include "vm/vm_parameter_text.h"

#include <limits>

#include "base/decimal_text.h"

namespace qx {
namespace {

constexpr uint64_t kMaxU64 = std::numeric_limits<uint64_t>::max();

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A bound that would wrap past 2^64 is kept at the top instead, so that a huge limit never turns into
// a small one.
uint64_t saturatingMultiply(uint64_t a, uint64_t b) {
    if (a != 0 && b > kMaxU64 / a) return kMaxU64;
    return a * b;
}

// Where the token that starts at `begin` ends: at the first space that no open quote covers.
size_t tokenEnd(const std::wstring& value, size_t begin) {
    size_t scan = begin;
    size_t space = value.find(L' ', scan);
    size_t quote = value.find(L'"', scan);
    for (;;) {
        if (space == std::wstring::npos) return value.size();
        if (quote == std::wstring::npos || space < quote) return space;
        const size_t close = value.find(L'"', quote + 1);
        if (close == std::wstring::npos) return space;
        scan = close + 1;
        if (scan < value.size() && value[scan] == L'"') ++scan;
        // Earlier finds stay valid while they lie at or after the new position; rescanning each time
        // would make a long run of quotes quadratic.
        if (space < scan) space = value.find(L' ', scan);
        quote = value.find(L'"', scan);
    }
}

}  // namespace

std::vector<std::wstring> splitVmParameters(const std::wstring& value) {
    std::vector<std::wstring> tokens;
    size_t begin = value.find_first_not_of(L' ');
    while (begin != std::wstring::npos) {
        const size_t end = tokenEnd(value, begin);
        tokens.push_back(value.substr(begin, end - begin));
        begin = end < value.size() ? value.find_first_not_of(L' ', end) : std::wstring::npos;
    }
    return tokens;
}

std::wstring removeVmParameterQuotes(const std::wstring& token) {
    std::wstring out;
    out.reserve(token.size());
    size_t pos = 0;
    for (;;) {
        const size_t open = token.find(L'"', pos);
        size_t close = open == std::wstring::npos ? open : token.find(L'"', open + 1);
        if (close == std::wstring::npos) break;
        if (close + 1 < token.size() && token[close + 1] == L'"') ++close;
        out.append(token, pos, open - pos);
        out.append(token, open + 1, close - open - 1);
        pos = close + 1;
    }
    out.append(token, pos, std::wstring::npos);
    return out;
}

NumberFields readNumberFields(const std::wstring& text) {
    NumberFields fields;
    const size_t start = text.find_first_of(L"0123456789:");
    if (start == std::wstring::npos) {
        fields.prefix = text;
        return fields;
    }
    fields.prefix = text.substr(0, start);
    fields.values.push_back(0);
    const size_t unit = text.size() - 1;
    for (size_t i = start; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (i == unit && !isDigit(c)) break;
        if (c == L':') {
            fields.values.push_back(0);
        } else if (isDigit(c)) {
            uint64_t& v = fields.values.back();
            v = v * 10 + static_cast<uint64_t>(c - L'0');  // wraps modulo 2^64 on absurd lengths
        }
    }
    return fields;
}

bool isMemoryShare(const std::wstring& token) {
    if (token.size() < 5) return false;
    const std::wstring head = token.substr(0, 4);
    if (head != L"-Xms" && head != L"-Xmx" && head != L"-Xss") return false;
    const wchar_t unit = token.back();
    return unit == L'p' || unit == L'P' || unit == L't' || unit == L'T';
}

std::wstring rewriteMemoryShare(const std::wstring& token, const MachineMemory& memory) {
    const NumberFields fields = readNumberFields(token);
    auto field = [&](size_t i) { return i < fields.values.size() ? fields.values[i] : 0; };
    const uint64_t percent = field(0);
    const uint64_t minimumKb = saturatingMultiply(field(1), 1024);
    const uint64_t maximumKb = saturatingMultiply(field(2), 1024);

    const wchar_t unit = token.empty() ? L'\0' : token.back();
    const uint64_t base = (unit == L'p' || unit == L'P') ? memory.totalPhysical : memory.availableVirtual;
    const double share = static_cast<double>(base / 1024) * (static_cast<double>(percent) / 100.0);
    // 2^64 as a double; converting anything at or above it to an integer is undefined.
    uint64_t sizeKb = share >= 18446744073709551616.0 ? kMaxU64 : static_cast<uint64_t>(share);

    if (maximumKb != 0 && sizeKb > maximumKb) sizeKb = maximumKb;
    if (sizeKb < minimumKb) sizeKb = minimumKb;
    return fields.prefix + decimalText(sizeKb) + L"K";
}

uint64_t parseStackSize(const std::wstring& text) {
    const NumberFields fields = readNumberFields(text);
    if (!fields.prefix.empty() || fields.values.size() != 1) return 0;
    uint64_t multiplier = 1;
    switch (text.back()) {
        case L'g':
        case L'G':
            multiplier = 1073741824;
            break;
        case L'm':
        case L'M':
            multiplier = 1048576;
            break;
        case L'k':
        case L'K':
            multiplier = 1024;
            break;
        default:
            break;
    }
    return saturatingMultiply(fields.values.front(), multiplier);
}

std::wstring prepareVmParameter(const std::wstring& token, const std::function<MachineMemory()>& memory,
                                uint64_t& threadStackSize) {
    std::wstring option = removeVmParameterQuotes(token);
    if (isMemoryShare(option)) option = rewriteMemoryShare(option, memory());
    if (option.compare(0, 4, L"-Xss") == 0) threadStackSize = parseStackSize(option.substr(4));
    return option;
}

}  // namespace qx
