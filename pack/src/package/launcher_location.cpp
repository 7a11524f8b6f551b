#include "package/launcher_location.h"

#include <filesystem>
#include <system_error>

namespace qxpack {

namespace fs = std::filesystem;

std::vector<std::string> launcherFolders(const std::string& programPath) {
    if (programPath.empty()) return {};
    const fs::path folder = fs::u8path(programPath).parent_path();
    return {(folder.parent_path() / "share" / "qxlaunch").u8string(), folder.u8string()};
}

bool locateLauncher(const std::string& given, const std::vector<std::string>& folders, std::string& path,
                    std::string& error) {
    const fs::path name = fs::u8path(given);
    std::error_code ignored;
    // A name with a folder, or one the working folder holds, is taken as given (and read, or refused, as
    // any input file).
    if (given.find_first_of("/\\") != std::string::npos || fs::is_regular_file(name, ignored)) {
        path = given;
        return true;
    }
    std::string searched;
    for (const std::string& folder : folders) {
        const fs::path candidate = fs::u8path(folder) / name;
        if (fs::is_regular_file(candidate, ignored)) {
            path = candidate.u8string();
            return true;
        }
        searched += (searched.empty() ? "" : ", ") + folder;
    }
    error = "launcher " + given +
            " is neither in the working folder nor among the launchers installed with qxpack" +
            (searched.empty() ? std::string() : " (" + searched + ")") + "; give its path with --launcher";
    return false;
}

}  // namespace qxpack
