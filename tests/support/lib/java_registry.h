// Java runtimes registered under HKEY_LOCAL_MACHINE for one test, and runtime folders laid out on disk.
// Every test program that registers runtimes shares one prefix-wide lock, since the launcher's search
// sees every key of the seven vendor rows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/scoped.h"

namespace qxtest {

enum class View { Native, Bits32 };

// Holds the lock for its lifetime; clears the vendor rows in both views on entry and on exit.
class JavaRegistry {
public:
    JavaRegistry();
    ~JavaRegistry();
    JavaRegistry(const JavaRegistry&) = delete;
    JavaRegistry& operator=(const JavaRegistry&) = delete;

    // Registers `name` under `key` (one of the seven vendor keys, ending in a backslash) with a
    // "JavaHome" string value; true on success.
    bool add(const std::wstring& key, const std::wstring& name, const std::wstring& javaHome,
             View view = View::Native);
    // The same with a raw value of any type and length (no NUL is added).
    bool addRaw(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size,
                View view = View::Native);
    // A subkey without a "JavaHome" value.
    bool addEmpty(const std::wstring& key, const std::wstring& name, View view = View::Native);

    static void clear();

private:
    qx::UniqueHandle mutex_;
};

// Lays out a runtime at `home`: bin\java.dll (unless `withJavaDll` is false) and bin\<vm>\jvm.dll for
// each of `vms`, holding `jvmBytes`. Returns `home`.
std::wstring makeRuntime(const std::wstring& home, const std::vector<std::wstring>& vms,
                         bool withJavaDll = true, const std::string& jvmBytes = "not a library");
// Copies every file of the runtime `from` to `to` (folders created).
bool copyRuntime(const std::wstring& from, const std::wstring& to);

}  // namespace qxtest
