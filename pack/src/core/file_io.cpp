#include "core/file_io.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qxpack {

namespace {

namespace fs = std::filesystem;

fs::path temporaryFor(const std::string& path) {
    fs::path temporary = fs::u8path(path);
    temporary += ".qxpack-tmp";
    return temporary;
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

bool writeWhole(const fs::path& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    out.close();
    return static_cast<bool>(out);
}

bool replace(const fs::path& temporary, const fs::path& target, std::error_code& failure) {
    fs::rename(temporary, target, failure);
    if (failure && fs::exists(target)) {
        // Some C runtimes' rename will not replace an existing file.
        removeQuietly(target);
        failure.clear();
        fs::rename(temporary, target, failure);
    }
    return !failure;
}

}  // namespace

bool readFile(const std::string& path, Bytes& content, std::string& error) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    if (in) content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in || in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool createParentFolder(const std::string& path, std::string& error) {
    const fs::path parent = fs::u8path(path).parent_path();
    std::error_code failure;
    if (parent.empty() || fs::is_directory(parent, failure)) return true;
    fs::create_directories(parent, failure);
    if (failure) {
        error = "cannot create the folder " + parent.u8string() + ": " + failure.message();
        return false;
    }
    return true;
}

bool writeFilesAtomically(const std::vector<std::pair<std::string, Bytes>>& files, std::string& error) {
    for (size_t i = 0; i < files.size(); ++i) {
        std::string folderError;
        if (!createParentFolder(files[i].first, folderError) ||
            !writeWhole(temporaryFor(files[i].first), files[i].second)) {
            for (size_t k = 0; k <= i; ++k) removeQuietly(temporaryFor(files[k].first));
            error = folderError.empty() ? "cannot write " + files[i].first : folderError;
            return false;
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        std::error_code failure;
        if (!replace(temporaryFor(files[i].first), fs::u8path(files[i].first), failure)) {
            for (size_t k = i; k < files.size(); ++k) removeQuietly(temporaryFor(files[k].first));
            error = "cannot replace " + files[i].first + ": " + failure.message();
            return false;
        }
    }
    return true;
}

}  // namespace qxpack
