#pragma once

#include "framework/core/CString.h"

#include <cstdint>

// How a bitmap is shown. The values are written to the profile and index the
// Wallpapers page's image strip. They are plain 32-bit integers rather than a
// closed enumeration because a hand-edited profile can hold any number, and
// such a number is carried through unchanged.
namespace ShowState {
inline constexpr std::int32_t Tiled = 0;
inline constexpr std::int32_t Centered = 1;
inline constexpr std::int32_t Stretched = 2;
// The no-wallpaper entry, whose path is empty.
inline constexpr std::int32_t None = 3;
} // namespace ShowState

// How often an entry is chosen; any other value weighs 1 (see WallpaperSet::GetFrequency).
namespace Priority {
inline constexpr std::int32_t Low = 0;
inline constexpr std::int32_t Normal = 1;
inline constexpr std::int32_t High = 2;
} // namespace Priority

// One wallpaper of the list, copied by value between the set, the pages, the
// random choice and the writer. An empty path is the no-wallpaper entry.
struct WallpaperEntry {
    CString path;
    std::int32_t showState = ShowState::Tiled;
    std::int32_t priority = Priority::Normal;

    friend bool operator==(const WallpaperEntry&, const WallpaperEntry&) = default;
};
