#include "diag/message_catalogue.h"

#include <windows.h>

namespace qx {

std::wstring loadMessage(unsigned id) {
    // A zero buffer size asks for a read-only pointer into the resource itself, so no length limit applies.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return std::wstring(text, static_cast<size_t>(length));
}

}  // namespace qx
