// splitText, splitArguments and the command line as Java's arguments.
#include <string>
#include <vector>

#include "base/split_text.h"
#include "fuzz_input.h"
#include "launch/command_line.h"

namespace {

std::wstring join(const std::vector<std::wstring>& pieces, const std::wstring& delimiter) {
    std::wstring text;
    for (size_t i = 0; i < pieces.size(); ++i) text += (i ? delimiter : L"") + pieces[i];
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::wstring> in = qxfuzz::fields(data, size, 2);
    const std::wstring& text = in[0];
    const std::wstring& delimiter = in[1];

    // Joining the pieces gives the text back, short of one delimiter that ended it.
    std::vector<std::wstring> pieces{L"stale"};
    qx::splitText(text, delimiter, pieces);
    if (text.empty() || delimiter.empty()) {
        QX_FUZZ_CHECK(pieces.empty());
    } else {
        const std::wstring joined = join(pieces, delimiter);
        QX_FUZZ_CHECK(joined == text || joined + delimiter == text);
        for (const std::wstring& piece : pieces) QX_FUZZ_CHECK(piece.find(delimiter) == std::wstring::npos);
    }

    // Arguments are appended; without quotes they are the text's runs between spaces.
    std::vector<std::wstring> arguments{L"kept"};
    qx::splitArguments(text, arguments);
    QX_FUZZ_CHECK(!arguments.empty() && arguments.front() == L"kept");
    arguments.erase(arguments.begin());
    size_t total = 0;
    bool quoteFree = true;
    for (const std::wstring& argument : arguments) {
        total += argument.size();
        quoteFree = quoteFree && argument.find(L'"') == std::wstring::npos;
    }
    QX_FUZZ_CHECK(total <= text.size());
    if (text.find(L'"') == std::wstring::npos) {
        std::vector<std::wstring> runs;
        qx::splitText(text, L" ", runs);
        std::vector<std::wstring> expected;
        for (size_t i = 0; i < runs.size(); ++i) {
            if (!runs[i].empty() || (i == 0 && text.front() == L' ')) expected.push_back(runs[i]);
        }
        QX_FUZZ_CHECK(arguments == expected);
    }

    // Quoted again and put after a program path, the arguments come back the same.
    if (quoteFree) {
        std::wstring commandLine = L"\"C:\\Program Files\\app.exe\"";
        for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
        QX_FUZZ_CHECK(qx::commandLineArguments(commandLine) == arguments);
    }
    static_cast<void>(qx::commandLineArguments(text));
    return 0;
}
