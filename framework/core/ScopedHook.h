#pragma once

#include <utility>

// The seam through which a test stands in for one thing the program would
// otherwise ask of the system (a message box, a modal dialog's user, the file
// dialog's user, the registry calls of the wallpaper writer): while a
// ScopedHook<Hook> lives, Installed() gives its hook; when it goes, the one
// installed before it is back. Scopes nest, and end in the reverse order of
// their start, as scopes do. Each Hook type is a seam of its own.
template <class Hook>
class ScopedHook {
public:
    explicit ScopedHook(Hook hook) : hook(std::move(hook)), previous(std::exchange(Innermost(), this)) {}
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;
    ~ScopedHook() { Innermost() = previous; }

    // The hook of the innermost live scope; null when none lives.
    static const Hook* Installed() { return Innermost() ? &Innermost()->hook : nullptr; }

private:
    static ScopedHook*& Innermost()
    {
        static ScopedHook* innermost = nullptr;
        return innermost;
    }

    Hook hook;
    ScopedHook* previous;
};
