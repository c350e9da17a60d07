// The weighted random choice of WallpaperSet.
#include "wallpapers/ChoiceRandom.h"
#include "wallpapers/WallpaperSet.h"

// The weights are summed in 64 bits: a hand-edited profile can set each
// frequency up to 2147483647, and a few such entries would overflow a 32-bit
// sum. Even 2^31 entries at that weight stay below 2^63.
std::int64_t WallpaperSet::WeightSum() const
{
    IteratorHolder walk;
    std::int64_t sum = 0;
    for (Begin(walk); !walk->AtEnd(); walk->Next())
        sum += GetFrequency(walk->Entry().priority);
    return sum;
}

bool WallpaperSet::PickAt(std::int64_t r, WallpaperEntry& out) const
{
    if (r < 0)
        return false;
    IteratorHolder walk;
    std::int64_t runningTotal = 0;
    for (Begin(walk); !walk->AtEnd(); walk->Next()) {
        runningTotal += GetFrequency(walk->Entry().priority);
        if (r < runningTotal) {
            out = walk->Entry();
            return true;
        }
    }
    return false;
}

bool WallpaperSet::PickRandom(WallpaperEntry& out) const
{
    const std::int64_t sum = WeightSum();
    if (sum == 0)
        return false;
    return PickAt(static_cast<std::int64_t>(ChoiceRandom::DrawBelow(static_cast<std::uint64_t>(sum))), out);
}
