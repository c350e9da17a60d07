#pragma once

#include "framework/core/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

// The owners of menu, icon, image list, registry, local memory and COM objects; the template
// and the owners of kernel objects are in UniqueHandle.h.
namespace handle_release {
inline void Key(HKEY key) { ::RegCloseKey(key); }
inline void Icon(HICON icon) { ::DestroyIcon(icon); }
inline void Menu(HMENU menu) { ::DestroyMenu(menu); }
inline void ImageList(HIMAGELIST list) { ::ImageList_Destroy(list); }
inline void LocalMemory(void* memory) { ::LocalFree(memory); }
} // namespace handle_release

using UniqueHKey = UniqueHandle<HKEY, handle_release::Key>;
using UniqueIcon = UniqueHandle<HICON, handle_release::Icon>;
using UniqueMenu = UniqueHandle<HMENU, handle_release::Menu>;
using UniqueImageList = UniqueHandle<HIMAGELIST, handle_release::ImageList>;
using UniqueLocalMemory = UniqueHandle<void*, handle_release::LocalMemory>;

// An owned COM interface pointer: AddRef on copy-in, Release when dropped.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : pointer(std::exchange(other.pointer, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.pointer, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    Interface* Get() const { return pointer; }
    Interface* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    // For CoCreateInstance and QueryInterface, which return an owned pointer.
    void** ReceiveVoid()
    {
        Reset();
        return reinterpret_cast<void**>(&pointer);
    }
    Interface** Receive()
    {
        Reset();
        return &pointer;
    }

    void Reset(Interface* replacement = nullptr)
    {
        Interface* old = std::exchange(pointer, replacement);
        if (old)
            old->Release();
    }

private:
    Interface* pointer = nullptr;
};

// COM initialised for the lifetime of the scope, on this thread; uninitialised
// again only if this scope's call succeeded (S_FALSE counts, as the platform
// asks for a balancing call then too). Declared before the interfaces it
// serves, so that they are released first.
//
// The program needs COM once per start, for the Startup shortcut, and then
// stays resident for the whole session: the scope's end also unloads at once
// the servers that COM loaded for its objects and that nothing uses any more,
// rather than leaving them to a later CoFreeUnusedLibraries that never comes
// (the plain call would wait ten minutes before unloading a DLL).
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED)
        : result(::CoInitializeEx(nullptr, model))
    {
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    ~ComInit()
    {
        if (SUCCEEDED(result)) {
            ::CoFreeUnusedLibrariesEx(0, 0);
            ::CoUninitialize();
        }
    }
    bool Succeeded() const { return SUCCEEDED(result); }
    HRESULT Result() const { return result; }

private:
    HRESULT result;
};
