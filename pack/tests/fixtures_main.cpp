// Writes the input files of scripts/pack-test into one folder: an icon with three images, an icon
// without images and a small jar.
#include <cstdio>
#include <string>

#include "test_files.h"

namespace {

bool write(const std::string& path, const qxpack::Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pack_fixtures DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    using namespace qxpack::test;
    const bool ok = write(dir + "/app.ico", icoFile({{16, 32}, {32, 32}, {48, 32}})) &&
                    write(dir + "/empty.ico", icoFile({})) &&
                    write(dir + "/app.jar", zipFile({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"},
                                                     {"demo/readme.txt", "packaged by qxpack\n"}}));
    if (!ok) std::fprintf(stderr, "pack_fixtures: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
