// Java runtimes registered for one test, and runtime folders laid out on disk. Under HKEY_LOCAL_MACHINE
// (what a started launcher reads) every test program shares one prefix-wide lock, since the search sees
// every key of the vendor rows; a private root serves code that takes its registry root as an input.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/scoped.h"

namespace qxtest {

enum class View { Native, Bits32 };

class JavaRegistry {
public:
    // HKEY_LOCAL_MACHINE: holds the lock for its lifetime; clears the vendor rows in both views on
    // entry and on exit.
    JavaRegistry();
    // A private key of this process under HKEY_CURRENT_USER, removed on exit; no lock. It has one view
    // only: the 32-bit view of it is the same key. Two private roots of one process differ by `tag`.
    struct Private {
        const wchar_t* tag = L"";
    };
    explicit JavaRegistry(Private);
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
    // Sets `value` in the key at `path` under root(), creating the nested keys: the vendor layouts.
    bool setValue(const std::wstring& path, const std::wstring& value, DWORD type, const void* data,
                  DWORD size, View view = View::Native);
    bool setString(const std::wstring& path, const std::wstring& value, const std::wstring& text,
                   View view = View::Native);

    // Removes every registered runtime: the seven rows and the vendor layouts, and for the machine's
    // registry the vendor layouts of HKEY_CURRENT_USER too (the launcher reads both).
    void clear();
    // The key the vendor rows hang below.
    HKEY root() const { return privateRoot_ ? privateRoot_.get() : HKEY_LOCAL_MACHINE; }

private:
    qx::UniqueHandle mutex_;
    qx::UniqueKey privateRoot_;
    std::wstring privatePath_;
};

// Lays out a runtime at `home`: bin\java.dll (unless `withJavaDll` is false) and bin\<vm>\jvm.dll for
// each of `vms`, holding `jvmBytes`. Returns `home`.
std::wstring makeRuntime(const std::wstring& home, const std::vector<std::wstring>& vms,
                         bool withJavaDll = true, const std::string& jvmBytes = "not a library");
// Copies every file of the runtime `from` to `to` (folders created).
bool copyRuntime(const std::wstring& from, const std::wstring& to);

}  // namespace qxtest
