// A jar read as the splash screen reads it: the end record Java's reader takes (ZIP64 records
// included), the central directory, the manifest, the entry the manifest names; and the input once more
// as raw DEFLATE data.
#include <string>

#include "fuzz_input.h"
#include "vm/inflate.h"
#include "vm/jar_manifest.h"
#include "vm/zip_layout.h"

namespace {

constexpr size_t kLimit = 1 << 16;

bool unpack(const std::string& file, const qx::ZipEnd& end, const qx::ZipEntry& entry, std::string& out) {
    const uint64_t header = end.archiveStart + entry.localHeaderOffset;
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
    const uint64_t held = qx::ZipFileView::searchStart(file.size());
    unsigned reads = 0;
    qx::ZipFileView view(file.size(), held, file.substr(held),
                         [&file, &reads](uint64_t offset, size_t count, std::string& bytes) {
                             // The view reads only inside the file.
                             QX_FUZZ_CHECK(offset <= file.size() && count <= file.size() - offset);
                             ++reads;
                             bytes = file.substr(offset, count);
                             return true;
                         });
    qx::ZipEnd end;
    const qx::ZipEndSearch result = qx::findZipEnd(view, end);
    QX_FUZZ_CHECK(reads <= qx::kZipSearchReads);
    if (result != qx::ZipEndSearch::Found) return;
    // The record, the ZIP64 record and the directory lie inside the file, the directory before them.
    QX_FUZZ_CHECK(end.recordStart + qx::kZipEndRecordSize <= file.size());
    QX_FUZZ_CHECK(!end.zip64 || end.zip64RecordStart + qx::kZip64EndRecordSize <= file.size());
    QX_FUZZ_CHECK(end.archiveStart <= end.directoryStart);
    QX_FUZZ_CHECK(end.directoryStart + end.directorySize ==
                  (end.zip64 ? end.zip64RecordStart : end.recordStart));
    const std::string directory = file.substr(end.directoryStart, end.directorySize);
    if (!qx::startsZipDirectory(directory)) return;
    qx::ZipEntry manifestEntry;
    std::string manifest, name, image;
    if (!qx::findZipEntry(directory, qx::kManifestEntryName, true, manifestEntry) ||
        !unpack(file, end, manifestEntry, manifest) ||
        !qx::manifestMainAttribute(manifest, "SplashScreen-Image", name)) {
        return;
    }
    QX_FUZZ_CHECK(name.find_first_of("\r\n") == std::string::npos);
    QX_FUZZ_CHECK(name.empty() || (name.front() != ' ' && name.back() != ' '));
    qx::ZipEntry imageEntry;
    if (qx::findZipEntry(directory, name, false, imageEntry))
        static_cast<void>(unpack(file, end, imageEntry, image));
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
