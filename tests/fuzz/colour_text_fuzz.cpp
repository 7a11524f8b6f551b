// Link colours: "R,G,B" text and the raw registry value that carries it.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_input.h"
#include "runtime/colour_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t kUntouched = 0xFF123456;
    const std::wstring text = qxfuzz::units(data, size);
    uint32_t colour = kUntouched;
    if (qx::parseColourText(text, colour)) {
        QX_FUZZ_CHECK(colour <= 0xFFFFFF && text.find(L',') != std::wstring::npos);
    } else {
        QX_FUZZ_CHECK(colour == kUntouched);
    }

    // Three numbers written out read back as themselves.
    const uint64_t seed = qxfuzz::mix(data, size);
    const uint32_t r = seed & 0xFF, g = (seed >> 8) & 0xFF, b = (seed >> 16) & 0xFF;
    uint32_t written = kUntouched;
    QX_FUZZ_CHECK(qx::parseColourText(
        std::to_wstring(r) + L"," + std::to_wstring(g) + L"," + std::to_wstring(b), written));
    QX_FUZZ_CHECK(written == (r | g << 8 | b << 16));

    // The raw bytes as a registry value of each type, in a buffer of exactly their size; a string
    // value that is accepted reads as its text does.
    std::unique_ptr<uint8_t[]> raw(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(raw.get(), data, size);
    for (uint32_t type : {0u, qx::kRegString, qx::kRegExpandString, 3u, 7u}) {
        uint32_t fromValue = kUntouched;
        const bool accepted = qx::colourFromRegistryValue(type, size ? raw.get() : nullptr, size, fromValue);
        if (!accepted) {
            QX_FUZZ_CHECK(fromValue == kUntouched);
            continue;
        }
        QX_FUZZ_CHECK((type == qx::kRegString || type == qx::kRegExpandString) && size <= 24 &&
                      size % 2 == 0);
        std::wstring valueText;
        for (size_t i = 0; i + 1 < size && (data[i] | data[i + 1]); i += 2)
            valueText.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
        uint32_t fromText = kUntouched;
        QX_FUZZ_CHECK(qx::parseColourText(valueText, fromText) && fromText == fromValue);
    }
    return 0;
}
