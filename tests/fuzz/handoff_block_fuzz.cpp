// Decoding a second start's arguments from the shared block, and encoding them.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "launch/handoff_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the block's bytes on the heap, so that reading one byte past them is an ASan report.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[sizeof(qx::HandoffBlock)]);
    std::memset(bytes.get(), 0, sizeof(qx::HandoffBlock));
    std::memcpy(bytes.get(), data, size < sizeof(qx::HandoffBlock) ? size : sizeof(qx::HandoffBlock));
    const auto* block = reinterpret_cast<const qx::HandoffBlock*>(bytes.get());

    std::vector<std::wstring> decoded{L"kept"};
    qx::readHandoffArguments(*block, decoded);
    QX_FUZZ_CHECK(decoded.front() == L"kept");
    size_t units = 0;
    for (size_t i = 1; i < decoded.size(); ++i) {
        QX_FUZZ_CHECK(decoded[i].find(L'\0') == std::wstring::npos);
        QX_FUZZ_CHECK(i == 1 || !decoded[i].empty());
        units += decoded[i].size() + 1;
    }
    QX_FUZZ_CHECK(units <= (2090 - 12) / 2);

    // Arguments that fit come back the same, but for an empty argument after the first: that one
    // reads as the end of the list.
    std::vector<std::wstring> arguments = qxfuzz::fields(data, size, 1 + size % 7);
    bool decodable = !arguments.empty();
    for (size_t i = 0; i < arguments.size(); ++i) {
        for (wchar_t& c : arguments[i]) c = c == L'\0' ? L'0' : c;
        decodable = decodable && (i == 0 || !arguments[i].empty());
    }
    auto encoded = std::make_unique<qx::HandoffBlock>();
    std::memset(encoded.get(), 0xAB, sizeof(qx::HandoffBlock));
    const bool fits = qx::handoffArgumentBytes(arguments) <= qx::kHandoffAreaBytes;
    QX_FUZZ_CHECK(qx::encodeHandoffArguments(arguments, *encoded) == fits);
    if (!fits) {
        QX_FUZZ_CHECK(encoded->argumentArea[0] == 0xABAB);
        return 0;
    }
    std::memset(encoded->reserved, 0, sizeof(encoded->reserved));
    std::vector<std::wstring> back;
    qx::readHandoffArguments(*encoded, back);
    if (decodable) QX_FUZZ_CHECK(back == arguments);

    const std::wstring path = arguments.front();
    const std::wstring name = qx::handoffObjectName(path);
    QX_FUZZ_CHECK(name.size() == path.size() && name.find(L'\\') == std::wstring::npos);
    return 0;
}
