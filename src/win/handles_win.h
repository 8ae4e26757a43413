// RAII owners for the platform's handles, so every path out releases them.
#pragma once

#include <windows.h>

#include <utility>

namespace talkpost {

template <typename H, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(H h) : h_(h) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
    UniqueResource& operator=(UniqueResource&& o) noexcept
    {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Traits::invalid());
        }
        return *this;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    H release() { return std::exchange(h_, Traits::invalid()); }
    void reset(H h = Traits::invalid())
    {
        if (h_ != Traits::invalid())
            Traits::close(h_);
        h_ = h;
    }

private:
    H h_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct LibraryTraits {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};
struct GdiTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct MenuTraits {
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { DestroyMenu(h); }
};

struct AcceleratorTraits {
    static HACCEL invalid() { return nullptr; }
    static void close(HACCEL h) { DestroyAcceleratorTable(h); }
};

// A function of a loaded library as its own type; null when the library lacks it.
template <typename Fn>
Fn entryPoint(HMODULE library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueResource<HANDLE, FileHandleTraits>;
using UniqueLibrary = UniqueResource<HMODULE, LibraryTraits>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiTraits>;
using UniqueMenu = UniqueResource<HMENU, MenuTraits>;
using UniqueAccelerators = UniqueResource<HACCEL, AcceleratorTraits>;

}  // namespace talkpost
