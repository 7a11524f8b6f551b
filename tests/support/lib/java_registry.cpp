#include "support/lib/java_registry.h"

#include "support/lib/test_env.h"

namespace qxtest {
namespace {

const wchar_t* const kRows[] = {
    L"Software\\JavaSoft\\JDK\\",
    L"Software\\JavaSoft\\JRE\\",
    L"Software\\JavaSoft\\Java Development Kit\\",
    L"Software\\JavaSoft\\Java Runtime Environment\\",
    L"Software\\JRockit\\Java Runtime Environment\\",
    L"Software\\JRockit\\Java Development Kit\\",
    L"Software\\IBM\\Java2 Runtime Environment\\",
};

REGSAM viewFlag(View view) { return view == View::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

bool createKey(const std::wstring& path, View view, qx::UniqueKey& key) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | viewFlag(view),
                        nullptr, &raw, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    key.reset(raw);
    return true;
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

JavaRegistry::~JavaRegistry() {
    clear();
    if (mutex_) ReleaseMutex(mutex_.get());
}

void JavaRegistry::clear() {
    for (View view : {View::Native, View::Bits32}) {
        for (const wchar_t* row : kRows) {
            HKEY raw = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, row, 0, KEY_ALL_ACCESS | viewFlag(view), &raw) !=
                ERROR_SUCCESS) {
                continue;
            }
            qx::UniqueKey key(raw);
            RegDeleteTreeW(key.get(), nullptr);  // the row's subkeys and values; the row key stays
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
    if (!createKey(key + name, view, subkey)) return false;
    return RegSetValueExW(subkey.get(), L"JavaHome", 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool JavaRegistry::addEmpty(const std::wstring& key, const std::wstring& name, View view) {
    qx::UniqueKey subkey;
    return createKey(key + name, view, subkey);
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
