// "Class Path" pieces: which are literal, and where the others are searched.
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "vm/class_path_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::wstring> in = qxfuzz::fields(data, size, 2);
    const std::wstring& piece = in[0];
    const std::wstring dir = qx::launcherDirectory(in[1]);

    // The launcher's folder is the executable path up to its last backslash.
    QX_FUZZ_CHECK(in[1].compare(0, dir.size(), dir) == 0);
    if (dir.size() < in[1].size()) {
        QX_FUZZ_CHECK(in[1][dir.size()] == L'\\');
        QX_FUZZ_CHECK(in[1].find(L'\\', dir.size() + 1) == std::wstring::npos);
    } else {
        QX_FUZZ_CHECK(in[1].find(L'\\') == std::wstring::npos);
    }

    const bool absolute = qx::isAbsoluteClassPathPiece(piece);
    const bool literal = qx::isLiteralClassPathPiece(piece);
    QX_FUZZ_CHECK(!literal || (absolute && piece.find(L'*') == std::wstring::npos));

    // An absolute piece is searched as written, in its own folder; any other below the launcher's.
    const qx::ClassPathSearch search = qx::classPathSearch(piece, dir);
    if (absolute) {
        QX_FUZZ_CHECK(search.pattern == piece);
        QX_FUZZ_CHECK(piece.compare(0, search.matchDir.size(), search.matchDir) == 0);
    } else {
        QX_FUZZ_CHECK(search.pattern == dir + L"\\" + piece);
        QX_FUZZ_CHECK(search.matchDir.compare(0, dir.size(), dir) == 0);
        QX_FUZZ_CHECK(search.pattern.compare(0, search.matchDir.size(), search.matchDir) == 0);
    }
    return 0;
}
