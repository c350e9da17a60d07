// Loads arbitrary bytes as the profile and saves the list back, as the program
// does with a hand-edited "Vistero.INI": nothing may crash, leak or invoke
// undefined behaviour, a file that is only read is written back unchanged,
// and what was saved must load back to the same list.
#include "profile/ProfileDocument.h"
#include "wallpapers/WallpaperSet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Snapshot {
    std::vector<WallpaperEntry> entries;
    std::int32_t low, normal, high, interval;

    bool operator==(const Snapshot& other) const
    {
        if (low != other.low || normal != other.normal || high != other.high ||
            interval != other.interval || entries.size() != other.entries.size())
            return false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const WallpaperEntry& a = entries[i];
            const WallpaperEntry& b = other.entries[i];
            if (a.path.str() != b.path.str() || a.showState != b.showState || a.priority != b.priority)
                return false;
        }
        return true;
    }
};

Snapshot Take(const WallpaperSet& set)
{
    Snapshot snapshot{{}, set.GetFrequency(Priority::Low), set.GetFrequency(Priority::Normal),
                      set.GetFrequency(Priority::High), set.GetChangeInterval()};
    WallpaperSet::IteratorHolder holder;
    for (WallpaperSet::Iterator& it = set.Begin(holder); !it.AtEnd(); it.Next())
        snapshot.entries.push_back(it.Entry());
    return snapshot;
}

// Saves the set into the document, as the program saves into the file it
// read, and loads the resulting file text into `loaded`.
void SaveAndReload(const WallpaperSet& set, ProfileDocument& document, WallpaperSet& loaded)
{
    if (!set.Save(document))
        std::abort();  // an in-memory document takes every value a list can hold
    ProfileDocument reread(document.Serialize());
    loaded.Load(reread);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // A file that is only read is written back byte for byte.
    ProfileDocument document(text);
    if (document.Serialize() != text)
        std::abort();

    WallpaperSet set;
    set.Load(document);

    // Whatever a hand edit left, the list as loaded is what a save stores:
    // saving into the same file and loading again gives the same list, twice.
    const Snapshot loaded = Take(set);
    WallpaperSet first;
    SaveAndReload(set, document, first);
    if (!(Take(first) == loaded))
        std::abort();
    WallpaperSet second;
    SaveAndReload(first, document, second);
    if (!(Take(second) == loaded))
        std::abort();
    return 0;
}
