// Hostile settings files for comparing the launcher's INI reader with the profile functions: sections,
// keys and values made of the characters those functions treat specially (blanks and look-alikes,
// quotes, brackets, "=", NULs, letters of every case), every line end and every encoding they accept,
// with the lookups worth asking of each file.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace qxtest {

struct GeneratedIni {
    std::string bytes;                                           // the file
    std::vector<std::pair<std::wstring, std::wstring>> lookups;  // section, key
};

// One file drawn from `random`; the same seed gives the same files.
GeneratedIni generateIni(std::mt19937& random);

// Hand-made files for the cases a random draw rarely reaches (values around 65,535 characters, a
// lone UTF-16 byte, marks without text, ...), each with lookups.
std::vector<GeneratedIni> handMadeInis();

}  // namespace qxtest
