#include "file_io.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qxpack {

bool readFile(const std::string& path, Bytes& content, std::string& error) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const Bytes& content, std::string& error) {
    const std::filesystem::path target = std::filesystem::u8path(path);
    std::filesystem::path temporary = target;
    temporary += ".qxpack-tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            error = "cannot write " + path;
            return false;
        }
    }
    std::error_code failure;
    std::filesystem::rename(temporary, target, failure);
    if (failure && std::filesystem::exists(target)) {
        // Some C runtimes' rename will not replace an existing file.
        std::error_code removed;
        std::filesystem::remove(target, removed);
        failure.clear();
        std::filesystem::rename(temporary, target, failure);
    }
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = "cannot replace " + path + ": " + failure.message();
        return false;
    }
    return true;
}

}  // namespace qxpack
