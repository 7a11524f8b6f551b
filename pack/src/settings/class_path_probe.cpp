#include "settings/class_path_probe.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "core/text_codec.h"

namespace qxpack {

namespace {

namespace fs = std::filesystem;

bool wildcardMatch(const std::u16string& pattern, const std::u16string& name) {
    size_t p = 0;
    size_t n = 0;
    size_t star = std::u16string::npos;
    size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || folded(pattern[p]) == folded(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (star != std::u16string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace

std::optional<std::u16string> nativePathOf(const std::u16string& launcherPath) {
#ifdef _WIN32
    return launcherPath;
#else
    std::u16string path = launcherPath;
    if (path.size() >= 3 && (path[0] == u'Z' || path[0] == u'z') && path[1] == u':' && path[2] == u'\\') {
        path.erase(0, 2);
    } else if (path.size() >= 2 && (path[1] == u':' || (path[0] == u'\\' && path[1] == u'\\'))) {
        return std::nullopt;
    }
    for (char16_t& c : path) {
        if (c == u'\\') c = u'/';
    }
    return path;
#endif
}

std::u16string launcherFolderOf(const std::string& settingsPath) {
    std::error_code ec;
    fs::path folder = fs::absolute(fs::u8path(settingsPath), ec).parent_path();
    std::u16string text = fromUtf8(folder.u8string());
    for (char16_t& c : text) {
        if (c == u'/') c = u'\\';
    }
    return text;
}

PathProbe probeClassPathPattern(const std::u16string& pattern) {
    const std::optional<std::u16string> path = nativePathOf(pattern);
    if (!path) return PathProbe::Unknown;
    const size_t cut = path->find_last_of(u"/\\");
    const std::u16string folder = cut == std::u16string::npos ? u"." : path->substr(0, cut + 1);
    const std::u16string last = cut == std::u16string::npos ? *path : path->substr(cut + 1);
    if (last.empty()) return PathProbe::Missing;  // a search pattern ending in a separator finds nothing
    std::error_code ec;
    for (fs::directory_iterator it(fs::u8path(toUtf8(folder)), ec), end; !ec && it != end; it.increment(ec)) {
        if (wildcardMatch(last, fromUtf8(it->path().filename().u8string()))) return PathProbe::Found;
    }
    return PathProbe::Missing;
}

}  // namespace qxpack
