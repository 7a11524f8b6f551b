#include "diag/format_message.h"

#include "base/decimal_text.h"

namespace qx {

std::wstring formatMessage(const std::wstring& format, const std::vector<FormatArg>& args) {
    std::wstring out;
    out.reserve(format.size() + 64);
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c != L'%' || i + 1 == format.size()) {
            out.push_back(c);
            continue;
        }
        const wchar_t kind = format[i + 1];
        if (kind == L'%') {
            out.push_back(L'%');
            ++i;
        } else if (kind == L's' || kind == L'd') {
            const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
            ++next;
            if (kind == L's') {
                if (arg) out += arg->isNumber ? decimalText(arg->number) : arg->text;
            } else {
                out += decimalText(arg && arg->isNumber ? arg->number : 0);
            }
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace qx
