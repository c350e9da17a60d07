#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <type_traits>
#include <utility>

// Move-only owners of platform handles. Each releases its handle with the one
// function the platform pairs with the call that made it. Borrowed handles
// stay plain HWND, HKEY, HANDLE... so a reader can tell at a glance whether a
// variable releases what it holds.
//
// This header has the template and the owners of the base system's objects
// (kernel objects, memory, registry keys), so that the profile store and the
// wallpaper writer, which have no windows, use the same owners as the rest of
// the program. The window system's owners are in framework/ui/Handles.h, and
// COM's in framework/ui/Com.h.
//
// `EmptyValue` is the value that means "no handle": 0 for most kinds, -1 for
// the file handles of CreateFile, which fails with INVALID_HANDLE_VALUE. It is
// a number because a pointer made from -1 is not a constant that a template
// accepts.
template <class Handle, auto Release, std::intptr_t EmptyValue = 0>
class UniqueHandle {
    static_assert(std::is_pointer_v<Handle>, "platform handles are pointers under STRICT");

public:
    static Handle Empty() { return reinterpret_cast<Handle>(EmptyValue); }

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle(std::exchange(other.handle, Empty())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.handle, Empty()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle; }
    explicit operator bool() const { return handle != Empty(); }

    // Gives up ownership without releasing.
    Handle release() { return std::exchange(handle, Empty()); }
    void reset(Handle replacement = Empty())
    {
        const Handle old = std::exchange(handle, replacement);
        if (old != Empty())
            Release(old);
    }
    // For functions that hand a new handle back through a pointer.
    Handle* receive()
    {
        reset();
        return &handle;
    }

private:
    Handle handle = Empty();
};

namespace handle_release {
inline void KernelObject(HANDLE object) { ::CloseHandle(object); }
inline void HeldMutex(HANDLE mutex)
{
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}
inline void LocalMemory(void* memory) { ::LocalFree(memory); }
inline void Key(HKEY key) { ::RegCloseKey(key); }
// The shell's allocator is COM's task allocator; taking it from the shell
// keeps COM itself unloaded until the Startup shortcut needs it.
inline void ShellMemory(void* memory)
{
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(memory);
        allocator->Release();
    }
}
} // namespace handle_release

// A file opened with CreateFile. Closing a file that was written can fail (the
// data did not reach the disk): code that must know closes it itself, with
// CloseHandle(file.release()).
using UniqueFile = UniqueHandle<HANDLE, handle_release::KernelObject, -1>;
// Every other kernel object (a process, an event...), whose functions fail
// with a null handle.
using UniqueKernelHandle = UniqueHandle<HANDLE, handle_release::KernelObject>;
// A mutex that a wait has made this thread's: let go, then closed. Closing
// alone would keep it taken until the thread ends. Made and let go on the
// same thread.
using HeldMutex = UniqueHandle<HANDLE, handle_release::HeldMutex>;
using UniqueLocalMemory = UniqueHandle<void*, handle_release::LocalMemory>;
using UniqueHKey = UniqueHandle<HKEY, handle_release::Key>;
// What the shell hands out on its allocator (a path, an item id list).
template <class Pointer>
using UniqueShellMemory = UniqueHandle<Pointer, handle_release::ShellMemory>;
