#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

// Paths are byte strings in the system's code page, where the second byte of
// a double-byte character may have the value of a backslash. These walk the
// path character by character so that only real separators count.
struct PathSeparators {
    // Just past the last '\' or '/', 0 when there is none.
    std::size_t afterLast = 0;
    // The path's last character is a separator.
    bool atEnd = false;
};

inline PathSeparators FindPathSeparators(std::string_view path, UINT codePage = CP_ACP)
{
    PathSeparators found;
    std::size_t i = 0;
    while (i < path.size()) {
        const auto byte = static_cast<BYTE>(path[i]);
        if (::IsDBCSLeadByteEx(codePage, byte) && i + 1 < path.size()) {
            i += 2;
            found.atEnd = false;
            continue;
        }
        found.atEnd = byte == '\\' || byte == '/';
        if (found.atEnd)
            found.afterLast = i + 1;
        ++i;
    }
    return found;
}
