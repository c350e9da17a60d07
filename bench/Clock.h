#pragma once

// The Windows harnesses' clock: QueryPerformanceCounter ticks, and their
// length in milliseconds.
#include <windows.h>

inline LONGLONG Now()
{
    LARGE_INTEGER value{};
    ::QueryPerformanceCounter(&value);
    return value.QuadPart;
}

inline double Milliseconds(LONGLONG ticks)
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value{};
        ::QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}
