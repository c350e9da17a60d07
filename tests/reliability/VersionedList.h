#pragma once

// The lists the crash harness and its save child agree on: version n of the
// list is known from n alone, so a profile found after a kill tells which
// version it holds and whether it holds all of it.
#include "wallpapers/WallpaperSet.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace reliability {

// What the child tells the harness through shared memory. A save of version
// `saving` has begun; `saved` is the last one that returned. TerminateProcess
// can strike between any two instructions, so each is written on its own.
struct SaveProgress {
    volatile LONG saving;
    volatile LONG saved;
    // How far the save of `saving` got: one of SaveStage.
    volatile LONG stage;
    volatile LONG failure; // the system's error code of a save that failed
};

enum SaveStage : LONG { Writing, TemporaryWritten, BackupWritten, Saved, StageCount };

// Even versions hold 1,000 entries, odd ones 999: a save over a longer list
// leaves the stale keys of its last entry behind, as the program does.
inline std::int32_t EntryCount(std::int32_t version)
{
    return version % 2 == 0 ? 1000 : 999;
}

inline WallpaperEntry VersionEntry(std::int32_t version, std::int32_t i)
{
    const std::string path = "C:\\Pictures\\v" + std::to_string(version) + "\\" + std::to_string(i) + ".bmp";
    return WallpaperEntry{path.c_str(), i % 3, (i + version) % 3};
}

// Version n of the list into the set; the interval carries n as well.
inline void FillVersion(WallpaperSet& set, std::int32_t version)
{
    set.Clear();
    for (std::int32_t i = 0; i < EntryCount(version); ++i)
        set.Add(VersionEntry(version, i));
    set.SetChangeInterval(version);
}

// The version the set holds exactly, or -1 when it is no version at all
// (a mix, a cut list, an empty or a missing file).
inline std::int32_t VersionOf(const WallpaperSet& set)
{
    const std::int32_t version = set.GetChangeInterval();
    if (version <= 0 || set.GetCount() != EntryCount(version))
        return -1;
    WallpaperSet::IteratorHolder it;
    std::int32_t i = 0;
    for (set.Begin(it); !it->AtEnd(); it->Next(), ++i)
        if (!(it->Entry() == VersionEntry(version, i)))
            return -1;
    return version;
}

} // namespace reliability
