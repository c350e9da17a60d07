// The lists the benchmarks work on: what a large hand-picked list looks like.
// Shared by the native benchmarks and the Windows harness so that both
// measure the same paths.
#pragma once

#include "wallpapers/WallpaperEntry.h"
#include "wallpapers/WallpaperSet.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace bench {

// Paths of one length with a long common folder, so that telling two of them
// apart means comparing most of their bytes: the expensive case for a search
// by path.
inline CString PathOf(int number)
{
    char text[128];
    std::snprintf(text, sizeof text, "C:\\Users\\Someone\\Pictures\\Wallpapers\\Collected\\picture%06d.bmp", number);
    return CString(text);
}

// Entries `first` .. `first + count - 1`, with every show state and priority.
inline std::vector<WallpaperEntry> Entries(int first, int count)
{
    std::vector<WallpaperEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int n = first; n < first + count; ++n)
        entries.push_back(WallpaperEntry{PathOf(n), n % 3, (n / 3) % 3});
    return entries;
}

inline void Fill(WallpaperSet& set, const std::vector<WallpaperEntry>& entries)
{
    for (const WallpaperEntry& entry : entries)
        set.Add(entry);
}

} // namespace bench
