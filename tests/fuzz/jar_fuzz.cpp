// A jar read as the splash screen reads it: end record, central directory, manifest, the entry the
// manifest names; and the input once more as raw DEFLATE data.
#include <string>

#include "fuzz_input.h"
#include "vm/inflate.h"
#include "vm/jar_manifest.h"
#include "vm/zip_layout.h"

namespace {

constexpr size_t kLimit = 1 << 16;

bool unpack(const std::string& file, const qx::ZipDirectoryPlace& place, const qx::ZipEntry& entry,
            std::string& out) {
    const uint64_t header = place.archiveStart + entry.localHeaderOffset;
    uint64_t offset = 0;
    if (header > file.size() || !qx::zipDataOffset(file.substr(header, qx::kZipLocalHeaderSize), offset))
        return false;
    if (header + offset > file.size() || entry.size > kLimit) return false;
    const std::string stored = file.substr(header + offset, entry.compressedSize);
    if (!qx::unpackZipEntry(entry, stored, out)) return false;
    QX_FUZZ_CHECK(out.size() == entry.size);
    return true;
}

void readJar(const std::string& file) {
    const size_t tailStart = file.size() > qx::kZipTailSize ? file.size() - qx::kZipTailSize : 0;
    for (const qx::ZipDirectoryPlace& place : qx::zipDirectoryCandidates(file.substr(tailStart), tailStart)) {
        // Every candidate's directory lies before its end record, inside the file.
        QX_FUZZ_CHECK(place.archiveStart <= place.directoryStart);
        QX_FUZZ_CHECK(place.directoryStart + place.directorySize <= file.size());
        const std::string directory = file.substr(place.directoryStart, place.directorySize);
        if (!qx::looksLikeZipDirectory(directory)) continue;
        qx::ZipEntry manifestEntry;
        std::string manifest, name, image;
        if (!qx::findZipEntry(directory, qx::kManifestEntryName, true, manifestEntry) ||
            !unpack(file, place, manifestEntry, manifest) ||
            !qx::manifestMainAttribute(manifest, "SplashScreen-Image", name)) {
            continue;
        }
        QX_FUZZ_CHECK(name.find_first_of("\r\n") == std::string::npos);
        QX_FUZZ_CHECK(name.empty() || (name.front() != ' ' && name.back() != ' '));
        qx::ZipEntry imageEntry;
        if (qx::findZipEntry(directory, name, false, imageEntry))
            static_cast<void>(unpack(file, place, imageEntry, image));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    readJar(file);
    std::string out;
    static_cast<void>(qx::inflateRaw(data, size, kLimit, out));
    QX_FUZZ_CHECK(out.size() <= kLimit);
    return 0;
}
