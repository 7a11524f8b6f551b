#include "core/self_path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qxpack {

std::string selfPath() {
#if defined(_WIN32)
    // Set by the C runtime for a program with a wide entry point.
    wchar_t* path = nullptr;
    if (_get_wpgmptr(&path) != 0 || path == nullptr) return {};
    return std::filesystem::path(path).u8string();
#elif defined(__linux__)
    std::error_code failure;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failure);
    return failure ? std::string() : path.u8string();
#else
    return {};
#endif
}

}  // namespace qxpack
