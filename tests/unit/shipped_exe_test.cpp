// What the shipped executable promises about itself: static, importing only libraries every Windows has
// loaded anyway, so nothing beyond them is mapped before the VM (the window, shell and COM libraries
// come with their first call).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "base/decimal_text.h"
#include "support/lib/test_env.h"

namespace {

// The import directory of the PE file `bytes`, which sits at another offset in a 32-bit image.
IMAGE_DATA_DIRECTORY importDirectory(const std::string& bytes, WORD& machine, WORD& subsystem,
                                     const IMAGE_SECTION_HEADER*& sections, WORD& sectionCount) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    const auto* nt64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes.data() + dos->e_lfanew);
    const auto* nt32 = reinterpret_cast<const IMAGE_NT_HEADERS32*>(nt64);
    machine = nt64->FileHeader.Machine;
    subsystem = nt64->OptionalHeader.Subsystem;  // at the same offset in both header formats
    sectionCount = nt64->FileHeader.NumberOfSections;
    if (nt64->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        sections = IMAGE_FIRST_SECTION(nt32);
        return nt32->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    }
    sections = IMAGE_FIRST_SECTION(nt64);
    return nt64->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
}

// The names in the import directory of the PE file `bytes`, upper-cased; empty when it has none.
std::set<std::string> importedLibraries(const std::string& bytes, WORD& machine, WORD& subsystem) {
    const IMAGE_SECTION_HEADER* sections = nullptr;
    WORD sectionCount = 0;
    const IMAGE_DATA_DIRECTORY directory = importDirectory(bytes, machine, subsystem, sections, sectionCount);
    const auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < sectionCount; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    std::set<std::string> names;
    if (directory.VirtualAddress == 0) return names;
    for (size_t at = offsetOf(directory.VirtualAddress);
         at != 0 && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes.size();
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry;
        std::memcpy(&entry, bytes.data() + at, sizeof entry);
        if (entry.Name == 0) break;
        std::string name = bytes.c_str() + offsetOf(entry.Name);
        for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        names.insert(name);
    }
    return names;
}

// The 32-bit companion and the ARM64 launchers import the window, shell and COM libraries directly
// (their linkers cannot delay-load them), and nothing else.
TEST(ShippedExe, ImportsOnlyKernel32Advapi32AndTheCRuntime) {
    const std::set<std::string> loadedAnyway = {"ADVAPI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL"};
    std::set<std::string> direct = loadedAnyway;
    direct.insert({"GDI32.DLL", "OLE32.DLL", "SHELL32.DLL", "USER32.DLL"});
    constexpr WORD kConsole = IMAGE_SUBSYSTEM_WINDOWS_CUI;
    const struct {
        std::wstring exe;
        WORD machine;
        WORD subsystem;
        std::set<std::string> imports;
    } shipped[] = {
        {qxtest::launcherExe(), IMAGE_FILE_MACHINE_AMD64, kConsole, loadedAnyway},
        {qxtest::companionExe(), IMAGE_FILE_MACHINE_I386, kConsole, direct},
        {qxtest::arm64LauncherExe(), IMAGE_FILE_MACHINE_ARM64, kConsole, direct},
        {qxtest::arm64WindowedLauncherExe(), IMAGE_FILE_MACHINE_ARM64, IMAGE_SUBSYSTEM_WINDOWS_GUI, direct}};
    for (const auto& c : shipped) {
        std::string bytes;
        ASSERT_TRUE(qxtest::readFile(c.exe, bytes)) << qxtest::narrow(c.exe);
        ASSERT_GT(bytes.size(), 4096u);
        WORD machine = 0;
        WORD subsystem = 0;
        EXPECT_EQ(importedLibraries(bytes, machine, subsystem), c.imports) << qxtest::narrow(c.exe);
        EXPECT_EQ(machine, c.machine) << qxtest::narrow(c.exe);
        EXPECT_EQ(subsystem, c.subsystem) << qxtest::narrow(c.exe);
    }
}

TEST(DecimalText, MatchesTheStandardLibrarysDecimalForm) {
    EXPECT_EQ(qx::decimalText(0), L"0");
    EXPECT_EQ(qx::decimalText(7), L"7");
    EXPECT_EQ(qx::decimalText(-1), L"-1");
    EXPECT_EQ(qx::decimalText(int32_t{-2147483647 - 1}), L"-2147483648");
    EXPECT_EQ(qx::decimalText(int32_t{2147483647}), L"2147483647");
    EXPECT_EQ(qx::decimalText(uint64_t{18446744073709551615u}), L"18446744073709551615");
    EXPECT_EQ(qx::decimalText(WORD{999}), L"999");
    EXPECT_EQ(qx::decimalText(int64_t{-9223372036854775807 - 1}), L"-9223372036854775808");
    for (int32_t value : {1, 9, 10, 99, 100, 65535, -10, -12345}) {
        EXPECT_EQ(qx::decimalText(value), std::to_wstring(value)) << value;
    }
}

}  // namespace
