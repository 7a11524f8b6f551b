#include "support/lib/java_registry.h"

#include "runtime/registry_search.h"
#include "support/lib/test_env.h"

namespace qxtest {
namespace {

REGSAM viewFlag(View view) { return view == View::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

bool createKey(HKEY root, const std::wstring& path, View view, qx::UniqueKey& key) {
    return RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | viewFlag(view), nullptr,
                           key.put(), nullptr) == ERROR_SUCCESS;
}

void makeFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(path.c_str(), nullptr);
}

}  // namespace

JavaRegistry::JavaRegistry() : mutex_(CreateMutexW(nullptr, FALSE, L"qxtest-java-registry")) {
    if (mutex_) WaitForSingleObject(mutex_.get(), INFINITE);  // an abandoned lock is ours too
    clear();
}

JavaRegistry::JavaRegistry(Private tag)
    : privatePath_(L"Software\\qxtest\\java-registry-" + std::to_wstring(GetCurrentProcessId()) + tag.tag) {
    RegDeleteTreeW(HKEY_CURRENT_USER, privatePath_.c_str());  // left by a killed run with the same id
    RegCreateKeyExW(HKEY_CURRENT_USER, privatePath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    privateRoot_.put(), nullptr);
}

JavaRegistry::~JavaRegistry() {
    if (privateRoot_) {
        privateRoot_.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, privatePath_.c_str());
        return;
    }
    clear();
    if (mutex_) ReleaseMutex(mutex_.get());
}

void JavaRegistry::clear() {
    auto empty = [](HKEY root, const wchar_t* path, View view) {
        qx::UniqueKey key;
        if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS | viewFlag(view), key.put()) != ERROR_SUCCESS) return;
        RegDeleteTreeW(key.get(), nullptr);  // the row's subkeys and values; the row key stays
    };
    for (View view : {View::Native, View::Bits32}) {
        for (const qx::RegistryRow& row : qx::kRegistryRows) empty(root(), row.key, view);
        for (const qx::VendorLayout& layout : qx::kVendorLayouts) {
            empty(root(), layout.key, view);
            if (!privateRoot_) empty(HKEY_CURRENT_USER, layout.key, view);
        }
    }
}

bool JavaRegistry::add(const std::wstring& key, const std::wstring& name, const std::wstring& javaHome,
                       View view) {
    return addRaw(key, name, REG_SZ, javaHome.c_str(),
                  static_cast<DWORD>((javaHome.size() + 1) * sizeof(wchar_t)), view);
}

bool JavaRegistry::addRaw(const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                          DWORD size, View view) {
    qx::UniqueKey subkey;
    if (!createKey(root(), key + name, view, subkey)) return false;
    return RegSetValueExW(subkey.get(), L"JavaHome", 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool JavaRegistry::addEmpty(const std::wstring& key, const std::wstring& name, View view) {
    qx::UniqueKey subkey;
    return createKey(root(), key + name, view, subkey);
}

bool JavaRegistry::setValue(const std::wstring& path, const std::wstring& value, DWORD type, const void* data,
                            DWORD size, View view) {
    qx::UniqueKey key;
    if (!createKey(root(), path, view, key)) return false;
    return RegSetValueExW(key.get(), value.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool JavaRegistry::setString(const std::wstring& path, const std::wstring& value, const std::wstring& text,
                             View view) {
    return setValue(path, value, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), view);
}

std::wstring makeRuntime(const std::wstring& home, const std::vector<std::wstring>& vms, bool withJavaDll,
                         const std::string& jvmBytes) {
    makeFolders(home + L"\\bin");
    if (withJavaDll) writeFile(home + L"\\bin\\java.dll", "marker\n");
    for (const std::wstring& vm : vms) {
        makeFolders(home + L"\\bin\\" + vm);
        writeFile(home + L"\\bin\\" + vm + L"\\jvm.dll", jvmBytes);
    }
    return home;
}

bool copyRuntime(const std::wstring& from, const std::wstring& to) {
    makeFolders(to);
    WIN32_FIND_DATAW data;
    HANDLE raw = FindFirstFileW((from + L"\\*").c_str(), &data);
    if (raw == INVALID_HANDLE_VALUE) return false;
    qx::UniqueFind find(raw);
    bool ok = true;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = copyRuntime(from + L"\\" + name, to + L"\\" + name) && ok;
        } else {
            ok = copyFile(from + L"\\" + name, to + L"\\" + name) && ok;
        }
    } while (FindNextFileW(find.get(), &data));
    return ok;
}

}  // namespace qxtest
