// Owners for every kind of Windows handle: one template over a small traits type, one alias per kind.
// Releasing a handle never changes the caller's last error.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <wincrypt.h>
#include <winsvc.h>

#include <utility>

#include "base/last_error.h"

namespace qx {

template <typename Traits>
class Scoped {
public:
    using T = typename Traits::Handle;
    Scoped() = default;
    explicit Scoped(T h) noexcept : h_(h) {}
    Scoped(Scoped&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
    Scoped& operator=(Scoped&& o) noexcept {
        reset(std::exchange(o.h_, Traits::invalid()));
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { reset(); }

    T get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::invalid(); }
    // Gives up ownership without closing.
    [[nodiscard]] T release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(T h = Traits::invalid()) noexcept {
        if (h_ != Traits::invalid()) {
            const PreserveLastError keep;  // closing must not hide why the caller failed
            Traits::close(h_);
        }
        h_ = h;
    }
    // Releases the current handle and hands out the slot, for calls that return a handle through an
    // out-parameter.
    T* put() noexcept {
        reset();
        return &h_;
    }

private:
    T h_ = Traits::invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits : KernelHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct MappedViewTraits {
    using Handle = const void*;
    static const void* invalid() { return nullptr; }
    static void close(const void* p) { UnmapViewOfFile(p); }
};
// A mapped view seen as the record it holds.
template <typename Record>
struct TypedViewTraits {
    using Handle = Record*;
    static Record* invalid() { return nullptr; }
    static void close(Record* p) { UnmapViewOfFile(p); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};
struct FontTraits {
    using Handle = HFONT;
    static HFONT invalid() { return nullptr; }
    static void close(HFONT h) { DeleteObject(h); }
};
struct WindowTraits {
    using Handle = HWND;
    static HWND invalid() { return nullptr; }
    static void close(HWND h) { DestroyWindow(h); }
};
// Memory the shell hands out, such as an item id list.
struct CoTaskMemTraits {
    using Handle = void*;
    static void* invalid() { return nullptr; }
    static void close(void* p) { CoTaskMemFree(p); }
};
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static SC_HANDLE invalid() { return nullptr; }
    static void close(SC_HANDLE h) { CloseServiceHandle(h); }
};
struct UpdateResourceTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { EndUpdateResourceW(h, TRUE); }  // discards unless committed
};

struct CryptProviderTraits {
    using Handle = HCRYPTPROV;
    static HCRYPTPROV invalid() { return 0; }
    static void close(HCRYPTPROV h) { CryptReleaseContext(h, 0); }
};
struct CryptKeyTraits {
    using Handle = HCRYPTKEY;
    static HCRYPTKEY invalid() { return 0; }
    static void close(HCRYPTKEY h) { CryptDestroyKey(h); }
};
struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static HCRYPTHASH invalid() { return 0; }
    static void close(HCRYPTHASH h) { CryptDestroyHash(h); }
};

using UniqueHandle = Scoped<KernelHandleTraits>;
using UniqueFile = Scoped<FileHandleTraits>;
using UniqueFind = Scoped<FindHandleTraits>;
using UniqueKey = Scoped<RegKeyTraits>;
using UniqueView = Scoped<MappedViewTraits>;
template <typename Record>
using UniqueTypedView = Scoped<TypedViewTraits<Record>>;
using UniqueModule = Scoped<ModuleTraits>;
using UniqueFont = Scoped<FontTraits>;
using UniqueWindow = Scoped<WindowTraits>;
using UniqueCoTaskMem = Scoped<CoTaskMemTraits>;
using UniqueServiceHandle = Scoped<ServiceHandleTraits>;
using UniqueCryptProvider = Scoped<CryptProviderTraits>;
using UniqueCryptKey = Scoped<CryptKeyTraits>;
using UniqueCryptHash = Scoped<CryptHashTraits>;

}  // namespace qx
