#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

// Paths are byte strings in the system's code page, where the second byte of
// a double-byte character may have the value of a backslash ("表" is 0x95
// 0x5C in code page 932). These walk the path character by character so that
// only real separators count; every path the program joins or cuts goes
// through them.
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

// The path up to its last separator, which is left out; empty when it has
// none.
inline std::string_view ParentFolder(std::string_view path, UINT codePage = CP_ACP)
{
    const std::size_t after = FindPathSeparators(path, codePage).afterLast;
    return after == 0 ? std::string_view() : path.substr(0, after - 1);
}

// The name in the folder: one backslash between them, none added after a
// folder that ends in a separator already ("C:\"), nothing before the name
// when there is no folder.
inline std::string JoinPath(std::string_view folder, std::string_view name, UINT codePage = CP_ACP)
{
    std::string path(folder);
    if (!path.empty() && !FindPathSeparators(folder, codePage).atEnd)
        path += '\\';
    path += name;
    return path;
}
