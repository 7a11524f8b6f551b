// Runtimes that their vendors registered under HKEY_LOCAL_MACHINE, in the native or the 32-bit view.
#pragma once

#include <string>
#include <vector>

#include "runtime/jre_candidate.h"

namespace qx {

struct Launcher;

enum class RegistryView { Native, Bits32 };

// The seven vendor keys, in search order.
extern const wchar_t* const kJavaRegistryKeys[7];

// Appends the runtimes registered under `key` (one of kJavaRegistryKeys; any other key adds nothing)
// that meet the version bounds and hold a JVM library, in enumeration order.
void collectRegistryCandidates(const Launcher& launcher, std::vector<JreCandidate>& candidates,
                               const std::wstring& key, RegistryView view);

// Collects the searched keys, sorts and selects; on success `home` is the chosen runtime folder. The
// 32-bit view is searched only with a pair product, and a hit there sets relaunchAsPair.
bool searchRegistry(Launcher& launcher, RegistryView view, std::wstring& home);

}  // namespace qx
