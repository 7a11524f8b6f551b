#include "vm/class_path.h"

#include <vector>

#include "base/environment.h"
#include "base/file_finder.h"
#include "base/split_text.h"
#include "vm/class_path_text.h"

namespace qx {
namespace {

// Every match in the order the system returns it, unfiltered: a pattern may name class folders as
// well as archives, so folders (and "." and "..") are kept like files.
void appendMatches(const ClassPathSearch& search, std::wstring& classPath) {
    FileFinder finder;
    if (!finder.findFile(search.pattern)) return;
    do {
        appendClassPathEntry(classPath, search.matchDir + L'\\' + finder.entry().cFileName);
    } while (finder.findNext());
}

}  // namespace

std::wstring buildClassPath(const std::wstring& value, const std::wstring& executablePath) {
    std::vector<std::wstring> pieces;
    splitText(value, L";", pieces);
    const std::wstring launcherDir = launcherDirectory(executablePath);
    std::wstring classPath;
    for (const std::wstring& raw : pieces) {
        const std::wstring piece = expandOrKeep(raw);
        if (isLiteralClassPathPiece(piece)) {
            appendClassPathEntry(classPath, piece);
        } else {
            appendMatches(classPathSearch(piece, launcherDir), classPath);
        }
    }
    return classPath;
}

}  // namespace qx
