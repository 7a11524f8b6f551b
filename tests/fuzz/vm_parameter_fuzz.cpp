// "Virtual Machine Parameters": tokens, quotes, number fields, memory shares and -Xss.
#include <cwctype>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "vm/vm_parameter_text.h"

namespace {

bool endsWithKilobytes(const std::wstring& option, const std::wstring& prefix) {
    if (option.size() < prefix.size() + 2 || option.compare(0, prefix.size(), prefix) != 0) return false;
    if (option.back() != L'K') return false;
    for (size_t i = prefix.size(); i + 1 < option.size(); ++i) {
        if (option[i] < L'0' || option[i] > L'9') return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring value = qxfuzz::units(data, size);
    const uint64_t seed = qxfuzz::mix(data, size);
    const qx::MachineMemory machines[] = {
        {0, 0}, {17179869184ull, 140737488355328ull}, {~0ull, ~0ull}, {seed, seed >> 7}};

    // Tokens are pieces of the value, in order, none empty and none starting with a space.
    const std::vector<std::wstring> tokens = qx::splitVmParameters(value);
    size_t at = 0;
    for (const std::wstring& token : tokens) {
        QX_FUZZ_CHECK(!token.empty() && token.front() != L' ');
        const size_t found = value.find(token, at);
        QX_FUZZ_CHECK(found != std::wstring::npos);
        at = found + token.size();
    }

    for (const std::wstring& token : tokens) {
        const std::wstring unquoted = qx::removeVmParameterQuotes(token);
        QX_FUZZ_CHECK(unquoted.size() <= token.size());
        if (token.find(L'"') == std::wstring::npos) QX_FUZZ_CHECK(unquoted == token);

        const qx::NumberFields fields = qx::readNumberFields(unquoted);
        QX_FUZZ_CHECK(unquoted.compare(0, fields.prefix.size(), fields.prefix) == 0);
        QX_FUZZ_CHECK(fields.prefix.find_first_of(L"0123456789:") == std::wstring::npos);
        QX_FUZZ_CHECK(fields.values.empty() == (fields.prefix.size() == unquoted.size()));

        for (const qx::MachineMemory& machine : machines) {
            int asked = 0;
            uint64_t stack = 12345;
            const std::wstring option = qx::prepareVmParameter(
                token,
                [&] {
                    ++asked;
                    return machine;
                },
                stack);
            // The machine is asked only for a memory share, which always becomes a size in kilobytes.
            QX_FUZZ_CHECK(asked == (qx::isMemoryShare(unquoted) ? 1 : 0));
            if (asked) QX_FUZZ_CHECK(endsWithKilobytes(option, fields.prefix));
            if (!asked) QX_FUZZ_CHECK(option == unquoted);
            if (option.compare(0, 4, L"-Xss") != 0) QX_FUZZ_CHECK(stack == 12345);
        }
    }

    // A stack size written with a unit reads back as its bytes.
    const uint64_t count = seed % (1ull << 34);
    QX_FUZZ_CHECK(qx::parseStackSize(std::to_wstring(count)) == count);
    QX_FUZZ_CHECK(qx::parseStackSize(std::to_wstring(count) + L"k") == count * 1024);
    QX_FUZZ_CHECK(qx::parseStackSize(std::to_wstring(count % (1ull << 24)) + L"M") == (count % (1ull << 24))
                                                                                          << 20);
    QX_FUZZ_CHECK(qx::parseStackSize(std::to_wstring(count % (1ull << 24)) + L"g") == (count % (1ull << 24))
                                                                                          << 30);
    static_cast<void>(qx::parseStackSize(value));
    return 0;
}
