// Entries of a jar on disk, read without the rest of the file: the end record, the central directory and
// the entries asked for. The executable itself opens as a jar when one is appended to it.
#pragma once

#include <cstdint>
#include <string>

#include "base/scoped.h"
#include "vm/zip_layout.h"

namespace qx {

// The whole file, up to 64 MiB. False, with the last error set where Windows set one, when it cannot
// be read or is larger.
[[nodiscard]] bool readWholeFile(const std::wstring& path, std::string& bytes);

// A file opened for reading, shared with readers and with deletion, as Java opens a jar.
HANDLE openFileForReading(const std::wstring& path);
[[nodiscard]] bool fileSizeOf(HANDLE file, uint64_t& size);
// `size` bytes at `offset`, up to 64 MiB; false (the last error set) when they cannot all be read.
[[nodiscard]] bool readFileAt(HANDLE file, uint64_t offset, uint64_t size, std::string& bytes);

class JarFile {
public:
    // Opens `path` and reads its central directory. False when the file cannot be read or holds no
    // ZIP archive.
    [[nodiscard]] bool open(const std::wstring& path);
    // The same over a file of `size` bytes that `reader` reads; the tests count the reads through it.
    [[nodiscard]] bool open(uint64_t size, ZipReadAt reader);
    // The uncompressed bytes of entry `name`. False when there is none, or it is damaged, encrypted or
    // compressed by a method other than deflate.
    [[nodiscard]] bool read(const std::string& name, bool ignoreAsciiCase, std::string& bytes) const;

private:
    // Reads through readAt_, never more than the largest read allowed at once.
    bool readBytes(uint64_t offset, uint64_t size, std::string& bytes) const;

    UniqueFile file_;
    ZipReadAt readAt_;
    std::string directory_;
    uint64_t archiveStart_ = 0;
};

}  // namespace qx
