#include "core/self_path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qxpack {

std::string selfPath() {
#if defined(_WIN32)
    // The C runtime sets it from the module's own path as it starts.
    const wchar_t* path = _wpgmptr;
    return path == nullptr ? std::string() : std::filesystem::path(path).u8string();
#elif defined(__linux__)
    std::error_code failure;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failure);
    return failure ? std::string() : path.u8string();
#else
    return {};
#endif
}

}  // namespace qxpack
