#include "vm/class_path_text.h"

namespace qx {

bool isAbsoluteClassPathPiece(const std::wstring& piece) {
    return piece.size() >= 2 && (piece[1] == L':' || (piece[0] == L'\\' && piece[1] == L'\\'));
}

bool isLiteralClassPathPiece(const std::wstring& piece) {
    return isAbsoluteClassPathPiece(piece) && piece.find(L'*') == std::wstring::npos;
}

std::wstring launcherDirectory(const std::wstring& executablePath) {
    const size_t cut = executablePath.rfind(L'\\');
    return cut == std::wstring::npos ? executablePath : executablePath.substr(0, cut);
}

ClassPathSearch classPathSearch(const std::wstring& piece, const std::wstring& launcherDir) {
    ClassPathSearch search;
    const size_t lastBackslash = piece.rfind(L'\\');
    if (isAbsoluteClassPathPiece(piece)) {
        search.pattern = piece;
        if (lastBackslash == std::wstring::npos) {
            search.matchDir.clear();
        } else if (lastBackslash + 1 == piece.size()) {
            search.matchDir = piece;
        } else {
            search.matchDir = piece.substr(0, lastBackslash);
        }
        return search;
    }
    search.pattern = launcherDir + L"\\" + piece;
    if (lastBackslash == std::wstring::npos || lastBackslash == 0) {
        search.matchDir = launcherDir;
    } else {
        search.matchDir = launcherDir + L"\\" + piece.substr(0, lastBackslash);
    }
    return search;
}

void appendClassPathEntry(std::wstring& classPath, const std::wstring& entry) {
    size_t begin = 0;
    while (begin <= entry.size()) {
        size_t end = entry.find(L';', begin);
        if (end == std::wstring::npos) end = entry.size();
        if (end > begin) {
            if (!classPath.empty()) classPath += L';';
            classPath.append(entry, begin, end - begin);
        }
        begin = end + 1;
    }
}

}  // namespace qx
