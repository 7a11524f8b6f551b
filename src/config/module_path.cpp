#include "config/module_path.h"

#include "diag/message_catalogue.h"
#include "diag/report_error.h"

namespace qx {

bool moduleFilePath(std::wstring& path, HMODULE module) {
    // A full buffer means the path was cut (a launcher in a deep folder), so ask again with more room.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            const DWORD error = GetLastError();
            reportError(kMsgWindowsException, {catalogueText(kMsgModulePathFailed), error});
            return false;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            path = std::move(buffer);
            return true;
        }
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

}  // namespace qx
