#include "vm/signed_executable.h"

#include <windows.h>

#include <vector>

#include "base/decimal_text.h"
#include "base/long_path.h"
#include "base/scoped.h"
#include "base/split_text.h"
#include "diag/message_catalogue.h"
#include "diag/report_error.h"
#include "diag/trace.h"
#include "vm/jar_file.h"
#include "vm/signed_range.h"
#include "vm/vm_options.h"

namespace qx {
namespace {

// The loader maps the headers as they are in the file, so an unsigned start reads nothing to know it.
bool imageHasCertificateTable() {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_OPTIONAL_HEADER& optional = nt->OptionalHeader;
    return optional.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_SECURITY &&
           optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

bool fileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access asked: attributes can be read from any file, a folder opens with backup semantics.
    const std::wstring name = isAbsolutePath(path) ? toLongPathForm(path) : path;
    const UniqueFile file(CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.get(), &info);
}

// Java opens each entry by its name, relative ones from the working folder, so an entry is the
// executable when it names the same file: the same path, or another path (a short name, a link) to it.
bool onClassPath(const std::wstring& classPath, const std::wstring& executablePath) {
    std::vector<std::wstring> entries;
    splitText(classPath, L";", entries);
    for (const std::wstring& entry : entries) {
        if (CompareStringOrdinal(entry.c_str(), static_cast<int>(entry.size()), executablePath.c_str(),
                                 static_cast<int>(executablePath.size()), TRUE) == CSTR_EQUAL)
            return true;
    }
    BY_HANDLE_FILE_INFORMATION self{}, other{};
    if (!fileIdentity(executablePath, self)) return true;  // cannot tell: judge it as on the class path
    for (const std::wstring& entry : entries) {
        if (!entry.empty() && fileIdentity(entry, other) &&
            other.dwVolumeSerialNumber == self.dwVolumeSerialNumber &&
            other.nFileIndexHigh == self.nFileIndexHigh && other.nFileIndexLow == self.nFileIndexLow)
            return true;
    }
    return false;
}

SignedRangeCheck checkExecutable(const std::wstring& executablePath) {
    SignedRangeCheck check;
    check.verdict = SignedRange::Unreadable;
    const UniqueFile file(openFileForReading(executablePath));
    uint64_t size = 0;
    if (!file || !fileSizeOf(file.get(), size)) {
        check.finding = L"the executable cannot be read (error " + decimalText(GetLastError()) + L")";
        return check;
    }
    const HANDLE handle = file.get();
    check = checkSignedRange(size, [handle](uint64_t offset, size_t count, std::string& bytes) {
        return readFileAt(handle, offset, count, bytes);
    });
    if (check.verdict == SignedRange::Unsigned) {
        // The running image has a table and the file on disk none: not the file that was started.
        check.verdict = SignedRange::Changed;
        check.finding = L"the executable's file has no certificate table, its running image has one";
    }
    return check;
}

}  // namespace

bool signatureCoversClassPath(const VmOptionList& options, const std::wstring& executablePath) {
    if (!imageHasCertificateTable()) return true;
    if (!onClassPath(classPathOption(options), executablePath)) {
        if (traceOn()) trace(L"signature: the executable is signed and not on the class path; not checked");
        return true;
    }
    const SignedRangeCheck check = checkExecutable(executablePath);
    if (check.verdict == SignedRange::Covered) {
        if (traceOn()) trace(L"signature: " + check.finding);
        return true;
    }
    trace(L"signature: refused, " + check.finding);
    reportError(kMsgChangedAfterSigning, {executablePath});
    return false;
}

}  // namespace qx
