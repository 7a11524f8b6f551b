// Whether a signed executable runs only what was signed: its certificate table, and the archive that
// Java's zip reader would open in it. Pure logic: no Windows calls.
//
// An Authenticode signature hashes the whole file except its checksum, the certificate table's
// directory entry and the certificate table itself; Windows does not look at bytes hidden in the table
// (after the PKCS#7 content, or in an unauthenticated attribute of a signer) unless a registry opt-in
// says so. Java's zip reader takes the end record nearest the file's end, so a jar hidden there, or
// appended after the table, would be the one that runs while the vendor's signature still verifies.
#pragma once

#include <cstdint>
#include <string>

#include "vm/zip_layout.h"

namespace qx {

// What the check reads from the file's start for the PE headers.
constexpr size_t kPeHeadersRead = 4096;
// No real certificate table comes near this (one signature with its chain and a timestamp takes a few
// KB); a larger one is not read.
constexpr uint64_t kLargestCertificateTable = 16u << 20;

enum class SignedRange {
    Unsigned,    // no certificate table: nothing to check
    Covered,     // the certificate table is sound, and all that Java's reader would open lies before it
    Changed,     // the file was changed after it was signed: `finding` says how, `at` where
    Unreadable,  // the file could not be read far enough to tell
};

struct SignedRangeCheck {
    SignedRange verdict = SignedRange::Unsigned;
    std::wstring finding;  // one line, ASCII: what was found and at which file offset
    uint64_t at = 0;       // the file offset the finding is about
    // What was read on the way (zero where the check did not get that far).
    uint64_t tableOffset = 0;
    uint64_t tableSize = 0;
    uint64_t contentEnd = 0;  // where the first signature's PKCS#7 content ends
    ZipEndSearch archive = ZipEndSearch::None;
    ZipEnd end;  // when `archive` is Found or Broken
};

// Judges a file of `fileSize` bytes that `readAt` reads. It reads the PE headers (kPeHeadersRead
// bytes), the certificate table and the file's last kZipEndSearchSize bytes (in one read), and then
// at most kZipSearchReads small reads of what end records point at.
//
// Covered needs all of these:
//   - the certificate table (the Security data directory) ends the file;
//   - every WIN_CERTIFICATE in it is a PKCS#7 signature whose length is its content's DER length
//     rounded up to 8, with zero bytes;
//   - no end record inside the table would be taken by Java's reader, wherever in the table it lies;
//   - the end record Java's reader takes, the ZIP64 record it takes its figures from and the central
//     directory they name lie wholly before the table, or there is no end record it would take at all
//     (Java then opens nothing in the file).
SignedRangeCheck checkSignedRange(uint64_t fileSize, const ZipReadAt& readAt);

}  // namespace qx
