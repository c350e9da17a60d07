#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

WallpaperEntry MakeEntry(const char* path, std::int32_t showState = ShowState::Tiled,
                         std::int32_t priority = Priority::Normal)
{
    return WallpaperEntry{path, showState, priority};
}

struct Walked {
    std::int32_t id;
    std::string path;
};

std::vector<Walked> Walk(const WallpaperSet& set)
{
    std::vector<Walked> walked;
    WallpaperSet::IteratorHolder it;
    for (set.Begin(it); !it->AtEnd(); it->Next())
        walked.push_back({it->Id(), it->Entry().path.str()});
    return walked;
}

std::vector<std::string> Paths(const WallpaperSet& set)
{
    std::vector<std::string> paths;
    for (const Walked& w : Walk(set))
        paths.push_back(w.path);
    return paths;
}

TEST(WallpaperSet, NewSetIsEmptyWithInitialOptions)
{
    WallpaperSet set;
    WallpaperSet::IteratorHolder it;
    EXPECT_TRUE(set.Begin(it).AtEnd());
    EXPECT_EQ(0, set.GetCount());
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(2, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(4, set.GetFrequency(Priority::High));
    EXPECT_EQ(0, set.GetChangeInterval());
}

TEST(WallpaperSet, AddGivesIncreasingIdsAndKeepsInsertionOrder)
{
    WallpaperSet set;
    std::int32_t a = 0, b = 0, c = 0;
    EXPECT_TRUE(set.Add(MakeEntry("C:\\c.bmp"), &a));
    EXPECT_TRUE(set.Add(MakeEntry("C:\\a.bmp"), &b));
    EXPECT_TRUE(set.Add(MakeEntry("C:\\b.bmp"), &c));
    EXPECT_EQ(1, a);
    EXPECT_EQ(2, b);
    EXPECT_EQ(3, c);
    EXPECT_EQ((std::vector<std::string>{"C:\\c.bmp", "C:\\a.bmp", "C:\\b.bmp"}), Paths(set));
    // Adding without asking for the id still consumes one.
    EXPECT_TRUE(set.Add(MakeEntry("C:\\d.bmp")));
    std::int32_t e = 0;
    set.Add(MakeEntry("C:\\e.bmp"), &e);
    EXPECT_EQ(5, e);
}

TEST(WallpaperSet, DuplicatePathGivesBackTheExistingIdAndChangesNothing)
{
    WallpaperSet set;
    std::int32_t first = 0, second = 0;
    set.Add(MakeEntry("C:\\x.bmp"), &first);
    set.Add(MakeEntry("C:\\y.bmp"), &second);

    std::int32_t reported = -7;
    EXPECT_FALSE(set.Add(MakeEntry("C:\\y.bmp", ShowState::Stretched, Priority::High), &reported));
    EXPECT_EQ(second, reported);
    EXPECT_EQ(2, set.GetCount());
    WallpaperEntry stored;
    set.Get(second, stored);
    EXPECT_EQ(MakeEntry("C:\\y.bmp"), stored) << "the duplicate must not overwrite";

    // nextId did not move: the next new entry follows directly.
    std::int32_t next = 0;
    set.Add(MakeEntry("C:\\z.bmp"), &next);
    EXPECT_EQ(second + 1, next);
}

TEST(WallpaperSet, OneNoWallpaperEntryAndCaseSensitivePaths)
{
    WallpaperSet set;
    std::int32_t none = 0, again = 0;
    EXPECT_TRUE(set.Add(MakeEntry("", ShowState::None, Priority::Low), &none));
    EXPECT_FALSE(set.Add(MakeEntry("", ShowState::None, Priority::High), &again));
    EXPECT_EQ(none, again);

    EXPECT_TRUE(set.Add(MakeEntry("C:\\a.bmp")));
    EXPECT_TRUE(set.Add(MakeEntry("C:\\A.BMP")));
    // Bytes above 127 compare as bytes: no code-page folding.
    EXPECT_TRUE(set.Add(MakeEntry("C:\\\xC4.bmp")));
    EXPECT_TRUE(set.Add(MakeEntry("C:\\\xE4.bmp")));
    EXPECT_FALSE(set.Add(MakeEntry("C:\\\xE4.bmp")));
    EXPECT_EQ(5, set.GetCount());
}

TEST(WallpaperSet, ClearKeepsIdsAndOptions)
{
    WallpaperSet set;
    set.SetFrequency(Priority::High, 9);
    set.SetChangeInterval(15);
    std::int32_t last = 0;
    set.Add(MakeEntry("a"));
    set.Add(MakeEntry("b"), &last);
    set.Clear();
    EXPECT_EQ(0, set.GetCount());
    WallpaperSet::IteratorHolder it;
    EXPECT_TRUE(set.Begin(it).AtEnd());

    std::int32_t id = 0;
    EXPECT_TRUE(set.Add(MakeEntry("a"), &id)) << "the path was cleared with its entry";
    EXPECT_GT(id, last);
    EXPECT_EQ(9, set.GetFrequency(Priority::High));
    EXPECT_EQ(15, set.GetChangeInterval());
}

TEST(WallpaperSet, RemoveUpdateGetByIdAndUnknownIds)
{
    WallpaperSet set;
    std::int32_t ids[5] = {};
    const char* names[5] = {"p0", "p1", "p2", "p3", "p4"};
    for (int i = 0; i < 5; ++i)
        set.Add(MakeEntry(names[i]), &ids[i]);

    set.Remove(ids[1]);
    set.Remove(ids[3]);
    EXPECT_EQ((std::vector<std::string>{"p0", "p2", "p4"}), Paths(set));

    set.Update(ids[2], MakeEntry("p2", ShowState::Centered, Priority::High));
    WallpaperEntry got;
    set.Get(ids[2], got);
    EXPECT_EQ(MakeEntry("p2", ShowState::Centered, Priority::High), got);
    EXPECT_EQ(ids[2], Walk(set)[1].id) << "Update keeps the id and the position";

    // Unknown ids: removed ones, never given ones, zero and negatives.
    const WallpaperEntry untouched = MakeEntry("untouched", 77, -5);
    for (std::int32_t unknown : {ids[1], ids[4] + 1, 0, -1}) {
        WallpaperEntry out = untouched;
        set.Get(unknown, out);
        EXPECT_EQ(untouched, out);
        set.Update(unknown, MakeEntry("intruder"));
        set.Remove(unknown);
    }
    EXPECT_EQ((std::vector<std::string>{"p0", "p2", "p4"}), Paths(set));
    EXPECT_EQ(3, set.GetCount());

    // A removed path can be added again, under a new id, at the end.
    std::int32_t readded = 0;
    EXPECT_TRUE(set.Add(MakeEntry("p1"), &readded));
    EXPECT_GT(readded, ids[4]);
    EXPECT_EQ((std::vector<std::string>{"p0", "p2", "p4", "p1"}), Paths(set));
}

TEST(WallpaperSet, OutOfRangeShowStatesAndPrioritiesAreKept)
{
    WallpaperSet set;
    std::int32_t id = 0;
    set.Add(MakeEntry("odd", INT32_MIN, INT32_MAX), &id);
    WallpaperEntry got;
    set.Get(id, got);
    EXPECT_EQ(INT32_MIN, got.showState);
    EXPECT_EQ(INT32_MAX, got.priority);
}

TEST(WallpaperSet, FrequencyAndIntervalFloors)
{
    WallpaperSet set;
    EXPECT_EQ(1, set.SetFrequency(Priority::Low, 0));
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(1, set.SetFrequency(Priority::High, -5));
    EXPECT_EQ(1, set.GetFrequency(Priority::High));
    EXPECT_EQ(1, set.SetFrequency(Priority::Normal, INT32_MIN));
    EXPECT_EQ(300, set.SetFrequency(Priority::Normal, 300));
    EXPECT_EQ(300, set.GetFrequency(Priority::Normal));

    // Priorities outside Low..High store nothing but still adjust the result.
    EXPECT_EQ(1, set.SetFrequency(3, -2));
    EXPECT_EQ(50, set.SetFrequency(-1, 50));
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(300, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(1, set.GetFrequency(Priority::High));
    EXPECT_EQ(1, set.GetFrequency(7));
    EXPECT_EQ(1, set.GetFrequency(-1));

    set.SetChangeInterval(-1);
    EXPECT_EQ(0, set.GetChangeInterval());
    set.SetChangeInterval(INT32_MIN);
    EXPECT_EQ(0, set.GetChangeInterval());
    set.SetChangeInterval(INT32_MAX);
    EXPECT_EQ(INT32_MAX, set.GetChangeInterval());
}

TEST(WallpaperSet, EntryIsReadInPlaceAndCopiesAreIndependent)
{
    WallpaperSet set;
    std::int32_t id = 0;
    set.Add(MakeEntry("C:\\orig.bmp"), &id);

    WallpaperEntry copy;
    set.Get(id, copy);
    copy.path += "x";
    copy.priority = Priority::High;
    WallpaperSet::IteratorHolder it;
    const WallpaperEntry& inPlace = set.Begin(it).Entry();
    EXPECT_EQ(MakeEntry("C:\\orig.bmp"), inPlace);
    EXPECT_EQ(&inPlace, &it->Entry()) << "Entry gives the stored record, not a copy";
}

// Counts its own destruction, to see what the holder deletes and when.
class CountingIterator : public WallpaperSet::Iterator {
public:
    explicit CountingIterator(int& deleted) : deleted(deleted) {}
    ~CountingIterator() override { ++deleted; }
    bool AtEnd() const override { return true; }
    void Next() override {}
    std::int32_t Id() const override { return 0; }
    const WallpaperEntry& Entry() const override { return entry; }

private:
    int& deleted;
    WallpaperEntry entry;
};

TEST(WallpaperSet, HolderDeletesTheOldIteratorWhenGivenANewOneAndOnScopeExit)
{
    int deleted = 0;
    {
        WallpaperSet::IteratorHolder holder(std::make_unique<CountingIterator>(deleted));
        holder.Reset(std::make_unique<CountingIterator>(deleted));
        EXPECT_EQ(1, deleted);
        WallpaperSet set;
        set.Begin(holder); // Begin replaces what the holder held
        EXPECT_EQ(2, deleted);
        holder.Reset(std::make_unique<CountingIterator>(deleted));

        WallpaperSet::IteratorHolder other(std::make_unique<CountingIterator>(deleted));
        other = std::move(holder);
        EXPECT_EQ(3, deleted);
    }
    EXPECT_EQ(4, deleted);
}

TEST(WallpaperSet, TwoWalksAtOnceAreIndependent)
{
    WallpaperSet set;
    set.Add(MakeEntry("a"));
    set.Add(MakeEntry("b"));
    WallpaperSet::IteratorHolder first, second;
    set.Begin(first);
    first->Next();
    set.Begin(second);
    EXPECT_EQ("b", first->Entry().path.str());
    EXPECT_EQ("a", second->Entry().path.str());
    first->Next();
    EXPECT_TRUE(first->AtEnd());
    first->Next(); // past the end stays at the end
    EXPECT_TRUE(first->AtEnd());
    EXPECT_FALSE(second->AtEnd());
}

TEST(WallpaperSet, LookupsBetweenStepsDoNotDisturbAWalk)
{
    // The Wallpapers page may Get entries while it fills its list; lookups
    // splay the tree under the walk.
    WallpaperSet set;
    std::vector<std::int32_t> ids(50);
    for (int i = 0; i < 50; ++i)
        set.Add(MakeEntry(std::to_string(i).c_str()), &ids[static_cast<std::size_t>(i)]);
    std::vector<std::int32_t> seen;
    WallpaperSet::IteratorHolder it;
    int step = 0;
    for (set.Begin(it); !it->AtEnd(); it->Next()) {
        seen.push_back(it->Id());
        WallpaperEntry e;
        set.Get(ids[static_cast<std::size_t>((step * 37) % 50)], e);
        set.Get(it->Id(), e);
        ++step;
    }
    EXPECT_EQ(ids, seen);
}

} // namespace
