#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Walked {
    std::int32_t id;
    std::string path;
    friend bool operator==(const Walked&, const Walked&) = default;
};

std::vector<Walked> Walk(const WallpaperSet& set)
{
    std::vector<Walked> walked;
    WallpaperSet::IteratorHolder it;
    for (set.Begin(it); !it->AtEnd(); it->Next())
        walked.push_back({it->Id(), it->Entry().path.str()});
    return walked;
}

TEST(WallpaperSet, NewSetAndOptionFloors)
{
    WallpaperSet set;
    WallpaperSet::IteratorHolder it;
    EXPECT_TRUE(set.Begin(it).AtEnd());
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(2, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(4, set.GetFrequency(Priority::High));
    EXPECT_EQ(0, set.GetChangeInterval());

    EXPECT_EQ(1, set.SetFrequency(Priority::Low, 0));
    EXPECT_EQ(1, set.SetFrequency(Priority::High, -5));
    EXPECT_EQ(1, set.GetFrequency(Priority::High));
    EXPECT_EQ(300, set.SetFrequency(Priority::Normal, 300));
    // Priorities outside Low..High store nothing but still adjust the result.
    EXPECT_EQ(1, set.SetFrequency(3, -2));
    EXPECT_EQ(50, set.SetFrequency(-1, 50));
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(300, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(1, set.GetFrequency(7));
    EXPECT_EQ(1, set.GetFrequency(-1));

    set.SetChangeInterval(-1);
    EXPECT_EQ(0, set.GetChangeInterval());
    set.SetChangeInterval(INT32_MAX);
    EXPECT_EQ(INT32_MAX, set.GetChangeInterval());
}

TEST(WallpaperSet, AddKeepsPathsUniqueByteForByte)
{
    WallpaperSet set;
    std::int32_t a = 0, b = 0, none = 0;
    EXPECT_TRUE(set.Add({"C:\\a.bmp"}, &a));
    EXPECT_TRUE(set.Add({"C:\\A.BMP"}, &b)); // no case folding
    EXPECT_TRUE(set.Add({"", ShowState::None, Priority::Low}, &none));
    EXPECT_TRUE(set.Add({"C:\\\xC4.bmp"}));
    EXPECT_TRUE(set.Add({"C:\\\xE4.bmp"})); // nor code-page folding
    EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3}), (std::vector<std::int32_t>{a, b, none}));

    // A repeated path gives back the first entry's id and changes nothing,
    // not even the counter of ids.
    std::int32_t reported = -7;
    EXPECT_FALSE(set.Add({"C:\\A.BMP", ShowState::Stretched, Priority::High}, &reported));
    EXPECT_EQ(b, reported);
    EXPECT_FALSE(set.Add({"", ShowState::None, Priority::High}, &reported));
    EXPECT_EQ(none, reported);
    WallpaperEntry stored;
    set.Get(b, stored);
    EXPECT_EQ((WallpaperEntry{"C:\\A.BMP"}), stored);
    EXPECT_EQ(5, set.GetCount());
    std::int32_t next = 0;
    set.Add({"C:\\z.bmp"}, &next);
    EXPECT_EQ(6, next);
}

TEST(WallpaperSet, IdsAreNeverReused)
{
    WallpaperSet set;
    set.SetFrequency(Priority::High, 9);
    set.SetChangeInterval(15);
    std::int32_t last = 0;
    set.Add({"a"});
    set.Add({"b"}, &last);
    set.Remove(last);
    std::int32_t id = 0;
    set.Add({"b"}, &id);
    EXPECT_EQ(last + 1, id) << "the removed entry's id is not given again";

    set.Clear();
    EXPECT_TRUE(Walk(set).empty());
    EXPECT_TRUE(set.Add({"a"}, &id)) << "the path went with its entry";
    EXPECT_EQ(last + 2, id);
    EXPECT_EQ(9, set.GetFrequency(Priority::High)) << "Clear keeps the options";
    EXPECT_EQ(15, set.GetChangeInterval());
}

TEST(WallpaperSet, RemoveUpdateGetByIdAndUnknownIds)
{
    WallpaperSet set;
    const char* const paths[5] = {"p0", "p1", "p2", "p3", "p4"};
    std::int32_t ids[5] = {};
    for (int i = 0; i < 5; ++i)
        set.Add({paths[i]}, &ids[i]);
    set.Remove(ids[1]);
    set.Remove(ids[3]);
    EXPECT_EQ((std::vector<Walked>{{ids[0], "p0"}, {ids[2], "p2"}, {ids[4], "p4"}}), Walk(set));

    // Out-of-range values from a hand-edited profile are stored unchanged.
    set.Update(ids[2], {"p2", INT32_MIN, INT32_MAX});
    WallpaperEntry got;
    set.Get(ids[2], got);
    EXPECT_EQ((WallpaperEntry{"p2", INT32_MIN, INT32_MAX}), got);

    // Unknown ids: removed ones, never given ones, zero and negatives.
    const WallpaperEntry untouched{"untouched", 77, -5};
    for (std::int32_t unknown : {ids[1], ids[4] + 1, 0, -1}) {
        WallpaperEntry out = untouched;
        set.Get(unknown, out);
        EXPECT_EQ(untouched, out);
        set.Update(unknown, {"intruder"});
        set.Remove(unknown);
    }
    EXPECT_EQ((std::vector<Walked>{{ids[0], "p0"}, {ids[2], "p2"}, {ids[4], "p4"}}), Walk(set));
}

TEST(WallpaperSet, LookupsBetweenStepsDoNotDisturbAWalk)
{
    // The Wallpapers page may Get entries while it fills its list: lookups
    // splay the tree under the walk.
    WallpaperSet set;
    std::vector<std::int32_t> ids(50);
    for (int i = 0; i < 50; ++i)
        set.Add({std::to_string(i).c_str()}, &ids[static_cast<std::size_t>(i)]);
    std::vector<std::int32_t> seen;
    WallpaperSet::IteratorHolder it;
    for (set.Begin(it); !it->AtEnd(); it->Next()) {
        seen.push_back(it->Id());
        WallpaperEntry e;
        set.Get(ids[(seen.size() * 37) % 50], e);
        set.Get(it->Id(), e);
    }
    EXPECT_EQ(ids, seen);
    it->Next(); // past the end stays at the end
    EXPECT_TRUE(it->AtEnd());
}

// The duplicate check finds paths through an index of its own: whatever
// Remove, Update and Clear did before, Add must answer as a walk over the
// entries in id order would, reporting the first entry with the path.
TEST(WallpaperSet, DuplicateCheckFollowsRemoveUpdateAndClear)
{
    WallpaperSet set;
    std::int32_t a = 0, b = 0, c = 0, id = 0;
    set.Add({"a"}, &a);
    set.Add({"b"}, &b);
    set.Add({"c"}, &c);

    // An Update that moves an entry to a new path frees the old one.
    set.Update(b, {"b2"});
    EXPECT_FALSE(set.Add({"b2"}, &id));
    EXPECT_EQ(b, id);
    EXPECT_TRUE(set.Add({"b"}, &id));
    const std::int32_t bAgain = id;
    // Unknown ids index nothing and drop nothing.
    set.Update(b + 100, {"ghost"});
    set.Remove(b + 100);
    EXPECT_TRUE(set.Add({"ghost"}));
    EXPECT_FALSE(set.Add({"a"}, &id));
    EXPECT_EQ(a, id);

    // Update does not check paths, so two entries can share one; the first
    // in id order is reported, and the other once the first is gone.
    set.Update(c, {"a"});
    EXPECT_FALSE(set.Add({"a"}, &id));
    EXPECT_EQ(a, id);
    set.Remove(a);
    EXPECT_FALSE(set.Add({"a"}, &id));
    EXPECT_EQ(c, id);
    set.Update(c, {"c"});
    EXPECT_TRUE(set.Add({"a"}));
    EXPECT_FALSE(set.Add({"b"}, &id));
    EXPECT_EQ(bAgain, id);

    set.Clear();
    for (const char* path : {"a", "b", "b2", "c", "ghost"})
        EXPECT_TRUE(set.Add({path})) << path;
}

TEST(WallpaperSet, DuplicateCheckAgreesWithAWalkOverManyEdits)
{
    // A fixed pseudo-random run of edits against a plain list searched the
    // way the set is defined to search.
    WallpaperSet set;
    std::vector<std::pair<std::int32_t, std::string>> model;
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    };
    auto firstWith = [&](const std::string& path) {
        for (const auto& [id, p] : model)
            if (p == path)
                return id;
        return 0;
    };
    std::int32_t nextId = 1;
    for (int step = 0; step < 4000; ++step) {
        std::string path = "p";
        path += std::to_string(next(60));
        const std::uint32_t action = next(100);
        if (action < 55) {
            std::int32_t got = 0;
            const std::int32_t existing = firstWith(path);
            ASSERT_EQ(existing == 0, set.Add({path.c_str()}, &got)) << "step " << step;
            ASSERT_EQ(existing ? existing : nextId, got) << "step " << step;
            if (!existing)
                model.emplace_back(nextId++, path);
        } else if (action < 99 && !model.empty()) {
            const std::size_t victim = next(static_cast<std::uint32_t>(model.size()));
            const std::int32_t id = model[victim].first;
            if (action < 80) {
                set.Remove(id);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(victim));
            } else {
                set.Update(id, {path.c_str()});
                model[victim].second = path;
            }
        } else if (action == 99) {
            set.Clear();
            model.clear();
        }
    }
    std::vector<Walked> expected;
    for (const auto& [id, path] : model)
        expected.push_back({id, path});
    EXPECT_EQ(expected, Walk(set));
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
        set.Begin(holder);
        EXPECT_EQ(2, deleted);
        holder.Reset(std::make_unique<CountingIterator>(deleted));
        WallpaperSet::IteratorHolder other(std::make_unique<CountingIterator>(deleted));
        other = std::move(holder);
        EXPECT_EQ(3, deleted);
    }
    EXPECT_EQ(4, deleted);
}

} // namespace
