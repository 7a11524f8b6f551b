#include "vm/jar_file.h"

#include <windows.h>

#include "base/long_path.h"
#include "vm/zip_layout.h"

namespace qx {
namespace {

// A damaged size field must not make the launcher allocate gigabytes; no manifest, splash image or
// central directory of a real jar comes near this.
constexpr uint64_t kLargestRead = 64u << 20;

}  // namespace

HANDLE openFileForReading(const std::wstring& path) {
    return CreateFileW(toLongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool fileSizeOf(HANDLE file, uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(file, &value)) return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool readFileAt(HANDLE file, uint64_t offset, uint64_t size, std::string& bytes) {
    if (size > kLargestRead) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED at{};
        const uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        if (!ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, &at)) return false;
        if (got == 0) {
            SetLastError(ERROR_HANDLE_EOF);
            return false;
        }
        done += got;
    }
    return true;
}

bool readWholeFile(const std::wstring& path, std::string& bytes) {
    UniqueFile file(openFileForReading(path));
    uint64_t size = 0;
    return file && fileSizeOf(file.get(), size) && readFileAt(file.get(), 0, size, bytes);
}

bool JarFile::open(const std::wstring& path) {
    file_.reset(openFileForReading(path));
    uint64_t size = 0;
    if (!file_ || !fileSizeOf(file_.get(), size)) return false;
    const HANDLE file = file_.get();
    return open(size, [file](uint64_t offset, size_t count, std::string& bytes) {
        return readFileAt(file, offset, count, bytes);
    });
}

bool JarFile::readBytes(uint64_t offset, uint64_t size, std::string& bytes) const {
    if (size > kLargestRead) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    return readAt_(offset, static_cast<size_t>(size), bytes);
}

bool JarFile::open(uint64_t size, ZipReadAt reader) {
    readAt_ = std::move(reader);
    directory_.clear();
    const uint64_t tailStart = ZipFileView::searchStart(size);
    std::string tail;
    if (!readBytes(tailStart, size - tailStart, tail)) return false;
    // What the search reads is bounded: the tail, then at most kZipSearchReads small reads, then one
    // directory. A record whose comment ends the file is taken unproven, so the directory's first
    // signature is looked at before the directory is read.
    ZipFileView view(size, tailStart, std::move(tail), readAt_);
    ZipEnd end;
    std::string first;
    if (findZipEnd(view, end) != ZipEndSearch::Found ||
        view.bytesAt(end.directoryStart, 4, first) != ZipFileView::Bytes::Read ||
        !startsZipDirectory(first) || !readBytes(end.directoryStart, end.directorySize, directory_)) {
        directory_.clear();
        return false;
    }
    archiveStart_ = end.archiveStart;
    return true;
}

bool JarFile::read(const std::string& name, bool ignoreAsciiCase, std::string& bytes) const {
    ZipEntry entry;
    if (!findZipEntry(directory_, name, ignoreAsciiCase, entry) || entry.size > kLargestRead) return false;
    const uint64_t header = archiveStart_ + entry.localHeaderOffset;
    std::string stored;
    uint64_t dataOffset = 0;
    return readBytes(header, kZipLocalHeaderSize, stored) && zipDataOffset(stored, dataOffset) &&
           readBytes(header + dataOffset, entry.compressedSize, stored) &&
           unpackZipEntry(entry, stored, bytes);
}

}  // namespace qx
