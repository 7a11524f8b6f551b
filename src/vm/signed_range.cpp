#include "vm/signed_range.h"

#include <algorithm>
#include <initializer_list>

#include "base/decimal_text.h"
#include "runtime/pe_header.h"

namespace qx {
namespace {

constexpr size_t kFileHeaderSize = 20;
constexpr size_t kOptionalSizeOffset = 16;  // inside the file header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kSecurityDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kCertificateHeaderSize = 8;  // dwLength, wRevision, wCertificateType
constexpr uint16_t kRevision1 = 0x0100;
constexpr uint16_t kRevision2 = 0x0200;
constexpr uint16_t kPkcsSignedData = 0x0002;
constexpr unsigned char kDerSequence = 0x30;

uint16_t read16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

uint32_t read32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(read16(bytes, at)) | static_cast<uint32_t>(read16(bytes, at + 2)) << 16;
}

// `pattern` with each "%" replaced by the next of `numbers`, in decimal.
std::wstring say(const wchar_t* pattern, std::initializer_list<uint64_t> numbers) {
    std::wstring text;
    auto next = numbers.begin();
    for (const wchar_t* p = pattern; *p; ++p) {
        if (*p == L'%' && next != numbers.end()) {
            text += decimalText(*next++);
        } else {
            text += *p;
        }
    }
    return text;
}

// The Security data directory's file offset and size; false when the headers have no such entry.
bool securityDirectory(const std::string& headers, uint64_t& offset, uint64_t& size) {
    const auto* data = reinterpret_cast<const unsigned char*>(headers.data());
    size_t nt = 0;
    if (!locateNtHeaders(data, headers.size(), &nt) || headers.compare(nt, 4, std::string("PE\0\0", 4)) != 0)
        return false;
    const size_t optional = nt + 4 + kFileHeaderSize;
    const size_t optionalSize = read16(headers, nt + 4 + kOptionalSizeOffset);
    if (optionalSize < 2) return false;
    const uint16_t magic = read16(headers, optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
    const size_t countAt = magic == kPe32Magic ? 92 : 108;
    const size_t directories = countAt + 4;
    const size_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
    if (optionalSize < entry + kDirectoryEntrySize ||
        read32(headers, optional + countAt) <= kSecurityDirectory)
        return false;
    offset = read32(headers, optional + entry);
    size = read32(headers, optional + entry + 4);
    return true;
}

// The length of the DER element that starts at `at` (tag, length and content), when it is a SEQUENCE
// with a definite length in its shortest form that fits in `available` bytes.
bool derSequenceLength(const std::string& bytes, size_t at, size_t available, size_t& length) {
    if (available < 2 || static_cast<unsigned char>(bytes[at]) != kDerSequence) return false;
    const auto first = static_cast<unsigned char>(bytes[at + 1]);
    size_t header = 2;
    uint64_t content = first;
    if (first >= 0x80) {
        const size_t count = first & 0x7F;
        // 0x80 is BER's indefinite length; DER has none, and four bytes reach past any table.
        if (count == 0 || count > 4 || available < 2 + count) return false;
        content = 0;
        for (size_t i = 0; i < count; ++i)
            content = content << 8 | static_cast<unsigned char>(bytes[at + 2 + i]);
        if (static_cast<unsigned char>(bytes[at + 2]) == 0 || content < 0x80)
            return false;  // not the shortest
        header += count;
    }
    if (content > available - header) return false;
    length = header + static_cast<size_t>(content);
    return true;
}

class Judge {
public:
    Judge(uint64_t fileSize, const ZipReadAt& readAt, SignedRangeCheck& check)
        : fileSize_(fileSize), readAt_(readAt), check_(check) {}

    void run() {
        std::string headers;
        const size_t headerBytes = static_cast<size_t>(std::min<uint64_t>(fileSize_, kPeHeadersRead));
        if (!readAt_(0, headerBytes, headers)) {
            unreadable(0, L"the PE headers cannot be read");
            return;
        }
        uint64_t offset = 0, size = 0;
        if (!securityDirectory(headers, offset, size) || size == 0) {
            check_.verdict = SignedRange::Unsigned;
            check_.finding = L"no certificate table";
            return;
        }
        check_.tableOffset = offset;
        check_.tableSize = size;
        if (offset > fileSize_ || size != fileSize_ - offset) {
            changed(offset + size,
                    say(L"the certificate table at % (% bytes) does not end the file: it ends at "
                        L"%, the file at %",
                        {offset, size, offset + size, fileSize_}));
            return;
        }
        if (size > kLargestCertificateTable) {
            changed(offset, say(L"the certificate table at % (% bytes) is larger than any signature",
                                {offset, size}));
            return;
        }
        const uint64_t heldStart = std::min(offset, ZipFileView::searchStart(fileSize_));
        std::string held;
        if (!readAt_(heldStart, static_cast<size_t>(fileSize_ - heldStart), held)) {
            unreadable(heldStart, say(L"the file's tail cannot be read from %", {heldStart}));
            return;
        }
        ZipFileView view(fileSize_, heldStart, std::move(held), readAt_);
        if (certificatesSound(view) && noEndRecordInTable(view)) archiveBeforeTable(view);
    }

private:
    void changed(uint64_t at, std::wstring finding) {
        check_.verdict = SignedRange::Changed;
        check_.at = at;
        check_.finding = std::move(finding);
    }

    void unreadable(uint64_t at, std::wstring finding) {
        check_.verdict = SignedRange::Unreadable;
        check_.at = at;
        check_.finding = std::move(finding);
    }

    // Every certificate's length is its PKCS#7 content's DER length rounded up to 8, and the padding
    // is zero, so nothing hides after a signature's content.
    bool certificatesSound(const ZipFileView& view) {
        const std::string& held = view.held();
        uint64_t at = check_.tableOffset;
        for (unsigned index = 1; at < fileSize_; ++index) {
            const size_t i = static_cast<size_t>(at - view.heldStart());
            const uint64_t left = fileSize_ - at;
            if (left < kCertificateHeaderSize) {
                changed(at, say(L"certificate % at %: % bytes, too few for its header", {index, at, left}));
                return false;
            }
            const uint32_t length = read32(held, i);
            const uint16_t revision = read16(held, i + 4), type = read16(held, i + 6);
            if (length < kCertificateHeaderSize || length > left) {
                changed(at,
                        say(L"certificate % at %: its length % does not fit the table", {index, at, length}));
                return false;
            }
            if (type != kPkcsSignedData || (revision != kRevision1 && revision != kRevision2)) {
                changed(at, say(L"certificate % at %: not a PKCS#7 signature (revision %, type %)",
                                {index, at, revision, type}));
                return false;
            }
            size_t der = 0;
            if (!derSequenceLength(held, i + kCertificateHeaderSize, length - kCertificateHeaderSize, der)) {
                changed(at + kCertificateHeaderSize,
                        say(L"certificate % at %: its content is not one DER-encoded SEQUENCE", {index, at}));
                return false;
            }
            const uint64_t padded = kCertificateHeaderSize + ((der + 7) & ~static_cast<uint64_t>(7));
            if (length != padded) {
                changed(at, say(L"certificate % at %: its length % is not its PKCS#7 content's DER length % "
                                L"rounded up to 8 (%)",
                                {index, at, length, der, padded}));
                return false;
            }
            const size_t content = i + kCertificateHeaderSize + der;
            for (size_t k = content; k < i + length; ++k) {
                if (held[k] != 0) {
                    changed(view.heldStart() + k,
                            say(L"certificate % at %: a byte other than zero in its padding "
                                L"at %",
                                {index, at, view.heldStart() + k}));
                    return false;
                }
            }
            if (index == 1) check_.contentEnd = view.heldStart() + content;
            at += length;
        }
        return true;
    }

    // Also where Java's reader would not look: a reader that looks further back must not find one.
    bool noEndRecordInTable(ZipFileView& view) {
        const std::string& held = view.held();
        if (check_.tableSize < kZipEndRecordSize) return true;
        for (uint64_t at = check_.tableOffset; at + kZipEndRecordSize <= fileSize_; ++at) {
            const size_t i = static_cast<size_t>(at - view.heldStart());
            if (held[i] != 'P' || held.compare(i, 4, "PK\x05\x06") != 0) continue;
            switch (checkZipEnd(view, at)) {
                case ZipEndCheck::PassedOver:
                    continue;
                case ZipEndCheck::Taken:
                    changed(at,
                            say(L"an end record at % inside the certificate table at % (% bytes) would be "
                                L"taken by Java's zip reader",
                                {at, check_.tableOffset, check_.tableSize}));
                    return false;
                case ZipEndCheck::Unsure:
                    unreadable(at,
                               say(L"the end record at % inside the certificate table at % (% bytes) cannot "
                                   L"be checked within % reads",
                                   {at, check_.tableOffset, check_.tableSize, kZipSearchReads}));
                    return false;
            }
        }
        return true;
    }

    void archiveBeforeTable(ZipFileView& view) {
        ZipEnd& end = check_.end;
        check_.archive = findZipEnd(view, end);
        const uint64_t table = check_.tableOffset;
        switch (check_.archive) {
            case ZipEndSearch::Unsure:
                unreadable(table,
                           say(L"the end records before the certificate table at % (% bytes) cannot be "
                               L"checked within % reads",
                               {table, check_.tableSize, kZipSearchReads}));
                return;
            case ZipEndSearch::None:
            case ZipEndSearch::Broken:
                // Java opens nothing in the file: it finds no end record, or fails on the one it takes.
                check_.verdict = SignedRange::Covered;
                check_.finding =
                    say(L"the certificate table at % (% bytes) ends the file, and Java's zip reader "
                        L"opens no archive in it",
                        {table, check_.tableSize});
                return;
            case ZipEndSearch::Found:
                break;
        }
        const uint64_t recordEnd = end.recordStart + kZipEndRecordSize;
        const uint64_t zip64End = end.zip64 ? end.zip64RecordStart + kZip64EndRecordSize : 0;
        const uint64_t directoryEnd = end.directoryStart + end.directorySize;
        const std::wstring archive =
            end.zip64
                ? say(L"the archive Java's zip reader opens (end record at %, ZIP64 end record at %, central "
                      L"directory at %, % bytes)",
                      {end.recordStart, end.zip64RecordStart, end.directoryStart, end.directorySize})
                : say(L"the archive Java's zip reader opens (end record at %, central directory at %, % "
                      L"bytes)",
                      {end.recordStart, end.directoryStart, end.directorySize});
        const std::wstring where = say(L"the certificate table at % (% bytes)", {table, check_.tableSize});
        if (recordEnd > table || zip64End > table || directoryEnd > table) {
            changed(std::max({recordEnd, zip64End, directoryEnd}), archive + L" reaches into " + where);
            return;
        }
        check_.verdict = SignedRange::Covered;
        check_.finding = where + L" ends the file, and " + archive + L" lies before it";
    }

    uint64_t fileSize_;
    const ZipReadAt& readAt_;
    SignedRangeCheck& check_;
};

}  // namespace

SignedRangeCheck checkSignedRange(uint64_t fileSize, const ZipReadAt& readAt) {
    SignedRangeCheck check;
    Judge(fileSize, readAt, check).run();
    return check;
}

}  // namespace qx
