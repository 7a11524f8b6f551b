#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "package/launcher_location.h"

namespace qxpack {
namespace {

namespace fs = std::filesystem;

// A prefix as `cmake --install` lays it out, and a folder as the Windows build does (qxpack.exe beside
// the launchers).
TEST(LauncherLocation, BareNamesAreFoundWhereQxpackWasInstalled) {
    const fs::path root = fs::temp_directory_path() / "qxpack-launcher-location-test";
    fs::remove_all(root);
    for (const char* file : {"prefix/bin/qxpack", "prefix/share/qxlaunch/qxlaunchw.exe",
                             "winbuild/qxpack.exe", "winbuild/qxlaunch.exe"}) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << "x";
    }
    const std::string installed = (root / "prefix/bin/qxpack").string();
    const std::string windows = (root / "winbuild/qxpack.exe").string();
    const struct {
        std::string program;
        std::string given;
        std::string found;  // empty: refused
    } cases[] = {
        {installed, "qxlaunchw.exe", (root / "prefix/bin/../share/qxlaunch/qxlaunchw.exe").string()},
        {windows, "qxlaunch.exe", (root / "winbuild/qxlaunch.exe").string()},
        {installed, "qxlaunch32.exe", ""},
        {"", "qxlaunchw.exe", ""},
        {installed, "dist/qxlaunchw.exe", "dist/qxlaunchw.exe"},  // a path is taken as given
    };
    for (const auto& c : cases) {
        std::string path;
        std::string error;
        EXPECT_EQ(locateLauncher(c.given, launcherFolders(c.program), path, error), !c.found.empty())
            << c.program << " " << c.given;
        if (c.found.empty()) {
            EXPECT_NE(error.find("launcher " + c.given + " is neither in the working folder"),
                      std::string::npos)
                << error;
        } else {
            EXPECT_EQ(fs::path(path).lexically_normal(), fs::path(c.found).lexically_normal()) << c.given;
        }
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace qxpack
