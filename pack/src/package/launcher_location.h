// Which launcher `qxpack build` packages: a path as given, or a launcher installed with qxpack, found by
// its bare name.
#pragma once

#include <string>
#include <vector>

namespace qxpack {

constexpr char kDefaultLauncher[] = "qxlaunch.exe";

// The folders that hold the launchers installed with the program at `programPath`: share/qxlaunch
// beside its bin folder (as `cmake --install` lays them out), then its own folder (as the Windows build
// puts qxpack.exe beside them).
std::vector<std::string> launcherFolders(const std::string& programPath);

// `given` when it names a folder or a file in the working folder; a bare name otherwise is looked up in
// `folders`. False with `error` set when nothing is found.
bool locateLauncher(const std::string& given, const std::vector<std::string>& folders, std::string& path,
                    std::string& error);

}  // namespace qxpack
