#include "core/zip_archive.h"

#include <algorithm>
#include <cstddef>

#include "vm/zip_layout.h"

namespace qxpack {

bool readZipSummary(const Bytes& data, ZipSummary& summary, std::string& error) {
    const size_t tailStart = data.size() > qx::kZipTailSize ? data.size() - qx::kZipTailSize : 0;
    const std::string tail(data.begin() + static_cast<std::ptrdiff_t>(tailStart), data.end());
    const auto bytesAt = [&data](uint64_t at, size_t count) {
        const size_t end = std::min(data.size(), static_cast<size_t>(at) + count);
        return std::string(data.begin() + static_cast<std::ptrdiff_t>(at),
                           data.begin() + static_cast<std::ptrdiff_t>(end));
    };
    uint64_t unused = 0;
    for (const qx::ZipDirectoryPlace& place : qx::zipDirectoryCandidates(tail, tailStart)) {
        // An archive with entries proves itself by its headers; an empty one has none, so only a record
        // whose comment ends the data counts for it (a signature may follow a jar, not an empty one).
        const bool proven =
            place.entryCount > 0
                ? place.archiveStart + qx::kZipLocalHeaderSize <= place.directoryStart &&
                      qx::looksLikeZipDirectory(bytesAt(place.directoryStart, place.directorySize)) &&
                      qx::zipDataOffset(bytesAt(place.archiveStart, qx::kZipLocalHeaderSize), unused)
                : place.endsFile;
        if (!proven) continue;
        summary.entryCount = place.entryCount;
        summary.archiveStart = static_cast<size_t>(place.archiveStart);
        return true;
    }
    error = "not a ZIP archive: no end-of-central-directory record";
    return false;
}

}  // namespace qxpack
