// The weighted random choice of WallpaperSet.
#include "wallpapers/RuntimeRandom.h"
#include "wallpapers/WallpaperSet.h"

// The weights are summed in 64 bits: a hand-edited profile can set each
// frequency up to 2147483647, and a few such entries would overflow a 32-bit
// sum. For every sum that fits 32 bits the choice is the same as with a
// 32-bit sum; above that, as with any sum beyond 32768, the draw (at most
// 32767) simply never reaches the later runs.
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
    return PickAt(RuntimeRand() % sum, out);
}

bool WallpaperSet::PickWithDraw(int draw, WallpaperEntry& out) const
{
    const std::int64_t sum = WeightSum();
    if (sum == 0)
        return false;
    std::int64_t r = draw % sum;
    if (r < 0) // only from a caller outside rand()'s range; keep r within 0..sum-1
        r += sum;
    return PickAt(r, out);
}
