#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

// An owned COM interface pointer: Release when dropped. Spelt as the other
// owners (framework/core/UniqueHandle.h) are; CoCreateInstance and
// QueryInterface take it as IID_PPV_ARGS(pointer.receive()), which names
// the interface from the pointer's type.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : pointer(std::exchange(other.pointer, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.pointer, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    Interface* get() const { return pointer; }
    Interface* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    void reset(Interface* replacement = nullptr)
    {
        Interface* old = std::exchange(pointer, replacement);
        if (old)
            old->Release();
    }
    // For functions that hand a new, owned pointer back through a pointer.
    Interface** receive()
    {
        reset();
        return &pointer;
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
