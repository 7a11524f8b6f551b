// The settings file read into memory once answers every lookup as GetPrivateProfileStringW does.
// The differential test compares the two key by key over generated hostile files and hand-made ones;
// scripts/test runs it over a few thousand files, scripts/fuzz for as long as it is given
// (QXTEST_PROFILE_SECONDS, with QXTEST_PROFILE_SEED and QXTEST_PROFILE_ARTIFACTS).
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "base/scoped.h"
#include "config/ini_file_store.h"
#include "config/profile_file.h"
#include "support/lib/ini_generator.h"
#include "support/lib/test_env.h"

namespace qx {
namespace {

unsigned long environmentNumber(const wchar_t* name, unsigned long fallback) {
    wchar_t text[32];
    const DWORD length = GetEnvironmentVariableW(name, text, 32);
    return length > 0 && length < 32 ? std::wcstoul(text, nullptr, 10) : fallback;
}

std::string printable(const std::wstring& text, size_t limit = 120) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        const wchar_t c = text[i];
        char code[12];
        std::snprintf(code, sizeof code, "\\x%04x", static_cast<unsigned>(c));
        out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : std::string(code);
    }
    return text.size() > limit ? out + "... (" + std::to_string(text.size()) + " units)" : out;
}

// The file written, aged past the two seconds within which Wine re-reads a file at every call, so the
// profile functions parse it once too.
bool writeAged(const std::wstring& path, const std::string& bytes, unsigned index) {
    if (!qxtest::writeFile(path, bytes)) return false;
    const UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    const ULONGLONG year2020 = 132223104000000000ULL + 10000000ULL * index;
    const FILETIME time{static_cast<DWORD>(year2020), static_cast<DWORD>(year2020 >> 32)};
    return file && SetFileTime(file.get(), nullptr, nullptr, &time);
}

class ProfileComparison {
public:
    explicit ProfileComparison(std::wstring dir) : dir_(std::move(dir)) {}

    // False when the file's values differ from the profile functions' (reported as a test failure).
    bool compare(const qxtest::GeneratedIni& ini) {
        const std::wstring path = dir_ + L"\\f" + std::to_wstring(files_) + L".ini";
        if (!writeAged(path, ini.bytes, files_)) {
            ADD_FAILURE() << "cannot write " << qxtest::narrow(path);
            return false;
        }
        ++files_;
        // The comparison means something only if the file is answered from memory.
        std::wstring text;
        if (!readProfileFile(path, text)) {
            ADD_FAILURE() << "the profile functions answer " << qxtest::narrow(path) << " themselves";
            return false;
        }
        IniFileStore store(path);
        bool same = true;
        for (const auto& [section, key] : ini.lookups) {
            std::wstring expected(ini.bytes.size() + 2, L'\0');
            const DWORD count = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", expected.data(),
                                                         static_cast<DWORD>(expected.size()), path.c_str());
            EXPECT_LT(count + 1, expected.size()) << "the profile functions' buffer was too small";
            expected.resize(count);
            std::wstring actual;
            store.getValue(section, key, actual);
            ++lookups_;
            if (actual == expected) continue;
            same = false;
            ADD_FAILURE() << "[" << printable(section) << "] " << printable(key) << ": read "
                          << printable(actual) << ", profile functions " << printable(expected) << "\nfile "
                          << qxtest::narrow(path) << ": " << printable(qxtest::widen(ini.bytes), 400);
        }
        if (same) DeleteFileW(path.c_str());
        return same;
    }

    unsigned files() const { return files_; }
    unsigned long lookups() const { return lookups_; }

private:
    std::wstring dir_;
    unsigned files_ = 0;
    unsigned long lookups_ = 0;
};

TEST(ProfileFile, AnswersEveryLookupAsTheProfileFunctionsDo) {
    const unsigned long seconds = environmentNumber(L"QXTEST_PROFILE_SECONDS", 0);
    const unsigned long count = environmentNumber(L"QXTEST_PROFILE_FILES", 3000);
    const unsigned long seed = environmentNumber(L"QXTEST_PROFILE_SEED", 1);
    wchar_t artifacts[MAX_PATH];
    const DWORD kept = GetEnvironmentVariableW(L"QXTEST_PROFILE_ARTIFACTS", artifacts, MAX_PATH);
    ProfileComparison comparison(kept > 0 && kept < MAX_PATH ? std::wstring(artifacts)
                                                             : qxtest::scratchDir(L"ProfileFile"));
    unsigned failed = 0;
    for (const qxtest::GeneratedIni& ini : qxtest::handMadeInis()) {
        if (!comparison.compare(ini)) ++failed;
    }
    std::mt19937 random(seed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (unsigned long i = 0; failed < 5; ++i) {
        if (seconds > 0 ? std::chrono::steady_clock::now() >= deadline : i >= count) break;
        if (!comparison.compare(qxtest::generateIni(random))) ++failed;
    }
    std::printf("compared %u files, %lu lookups (seed %lu)\n", comparison.files(), comparison.lookups(),
                seed);
}

TEST(ProfileFile, FilesOnlyTheProfileFunctionsReadGiveTheSameValues) {
    const std::wstring dir = qxtest::scratchDir(L"ProfileFileFallback");
    // Sections of win.ini may live in the registry; other sections come from the file.
    const std::wstring mapped = dir + L"\\win.ini";
    const std::string quoted255 = "\"" + std::string(255, 'q') + "\"";
    ASSERT_TRUE(qxtest::writeFile(mapped, "[Java Runtime Environment]\r\nMain Class=" + quoted255 + "\r\n"));
    std::wstring text;
    EXPECT_FALSE(readProfileFile(mapped, text));
    std::wstring value;
    IniFileStore(mapped).getValue(L"Java Runtime Environment", L"Main Class", value);
    EXPECT_EQ(value, std::wstring(255, L'q'));
    EXPECT_FALSE(readProfileFile(L"run.ini", text));

    // A file rewritten since it was read is read again.
    const std::wstring path = dir + L"\\run.ini";
    ASSERT_TRUE(qxtest::writeFile(path, "[A]\r\nk=" + quoted255 + "\r\n"));
    IniFileStore(path).getValue(L"A", L"k", value);
    EXPECT_EQ(value, std::wstring(255, L'q'));
    ASSERT_TRUE(qxtest::writeFile(path, "[A]\r\nk=second\r\n"));
    IniFileStore(path).getValue(L"A", L"k", value);
    EXPECT_EQ(value, L"second");
}

}  // namespace
}  // namespace qx
