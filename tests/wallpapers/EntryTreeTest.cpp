#include "wallpapers/EntryTree.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>

namespace {

WallpaperEntry EntryFor(std::int32_t n)
{
    return WallpaperEntry{("path" + std::to_string(n)).c_str(), n % 4, n % 3};
}

::testing::AssertionResult SameAsModel(const WallpaperSet& set, const std::map<std::int32_t, WallpaperEntry>& model)
{
    if (!set.Tree().IsConsistent())
        return ::testing::AssertionFailure() << "tree links or order broken";
    if (set.GetCount() != static_cast<std::int32_t>(model.size()))
        return ::testing::AssertionFailure() << "count " << set.GetCount() << ", model " << model.size();
    WallpaperSet::IteratorHolder it;
    set.Begin(it);
    for (const auto& [id, entry] : model) {
        if (it->AtEnd())
            return ::testing::AssertionFailure() << "walk ended before id " << id;
        if (it->Id() != id || !(it->Entry() == entry))
            return ::testing::AssertionFailure() << "walk gave id " << it->Id() << ", model " << id;
        it->Next();
    }
    if (!it->AtEnd())
        return ::testing::AssertionFailure() << "walk goes on past the model";
    return ::testing::AssertionSuccess();
}

// Thousands of mixed operations against std::map. Lookups of ids near the
// ends and in between give zig-zig and zig-zag splays of long paths, which
// ascending insertion builds.
TEST(EntryTree, MixedOperationsAgreeWithAReferenceMap)
{
    std::mt19937 random(20240611u);
    WallpaperSet set;
    std::map<std::int32_t, WallpaperEntry> model;
    std::int32_t nextId = 1;
    std::int32_t pathSerial = 0;

    auto randomId = [&] {
        // Mostly present ids, sometimes absent ones beyond either end.
        std::uniform_int_distribution<std::int32_t> pick(-2, nextId + 2);
        return pick(random);
    };

    for (int step = 0; step < 6000; ++step) {
        const int op = std::uniform_int_distribution<int>(0, 99)(random);
        if (op < 40) {
            // Sometimes a path that is already there.
            const bool duplicate = !model.empty() && op < 8;
            WallpaperEntry entry = duplicate ? std::next(model.begin(), random() % model.size())->second
                                             : EntryFor(++pathSerial);
            std::int32_t id = -1;
            const bool added = set.Add(entry, &id);
            ASSERT_EQ(!duplicate, added) << "step " << step;
            if (added) {
                ASSERT_EQ(nextId, id);
                model[nextId++] = entry;
            } else {
                ASSERT_TRUE(model.count(id) && model[id].path == entry.path);
            }
        } else if (op < 60) {
            const std::int32_t id = randomId();
            set.Remove(id);
            model.erase(id);
        } else if (op < 75) {
            const std::int32_t id = randomId();
            // The path stays unique: Update's callers pass the entry's own path.
            auto found = model.find(id);
            WallpaperEntry changed{found != model.end() ? found->second.path : CString("nowhere"),
                                   static_cast<std::int32_t>(random() % 5), static_cast<std::int32_t>(random() % 5)};
            set.Update(id, changed);
            if (found != model.end())
                found->second = changed;
        } else if (op < 98) {
            const std::int32_t id = randomId();
            WallpaperEntry out{"sentinel", -9, -9};
            set.Get(id, out);
            auto found = model.find(id);
            const WallpaperEntry expected = found != model.end() ? found->second : WallpaperEntry{"sentinel", -9, -9};
            ASSERT_EQ(expected, out);
            if (found != model.end()) {
                ASSERT_EQ(id, set.Tree().RootId()) << "a lookup brings its node to the root";
            }
        } else {
            set.Clear();
            model.clear();
        }
        ASSERT_TRUE(SameAsModel(set, model)) << "after step " << step << ", op " << op;
    }
}

TEST(EntryTree, DeepPathsNeedNoRecursion)
{
    // Ascending ids, as the set gives them, build a path 100,000 nodes deep.
    // Walking, clearing and destroying it must not recurse (ASan would report
    // the stack overflow), and looking up the deepest node must flatten it.
    // (Straight on the tree: the set's Add also walks for duplicate paths,
    // which is quadratic over a list this long.)
    constexpr std::int32_t n = 100000;
    {
        EntryTree tree;
        for (std::int32_t id = 1; id <= n; ++id)
            tree.Insert(id, EntryFor(id));
        EXPECT_EQ(n, tree.Height());

        std::int32_t expectedId = 1;
        for (EntryTree::Index node = tree.First(); node != EntryTree::Nil; node = tree.Next(node))
            ASSERT_EQ(expectedId++, tree.IdAt(node));
        EXPECT_EQ(n + 1, expectedId);

        ASSERT_NE(nullptr, tree.Find(1));
        EXPECT_EQ(EntryFor(1), *tree.Find(1));
        EXPECT_LT(tree.Height(), n / 2 + 3) << "a zig-zig splay halves the path";
        EXPECT_TRUE(tree.IsConsistent());

        tree.Clear();
        EXPECT_EQ(0, tree.Count());
        for (std::int32_t id = 1; id <= n; ++id)
            tree.Insert(id, EntryFor(id));
    } // destroyed with a 100,000-deep path
}

TEST(EntryTree, RemovingEveryNodeInEachOrderEmptiesTheTree)
{
    for (int order = 0; order < 3; ++order) {
        EntryTree tree;
        for (std::int32_t id = 1; id <= 200; ++id)
            ASSERT_TRUE(tree.Insert(id, EntryFor(id)));
        EXPECT_FALSE(tree.Insert(100, EntryFor(0))) << "ids are unique keys";
        for (std::int32_t i = 0; i < 200; ++i) {
            const std::int32_t id = order == 0 ? i + 1 : order == 1 ? 200 - i : (i * 77) % 200 + 1;
            ASSERT_TRUE(tree.Remove(id));
            ASSERT_FALSE(tree.Remove(id));
            ASSERT_TRUE(tree.IsConsistent());
        }
        EXPECT_EQ(0, tree.Count());
        EXPECT_EQ(EntryTree::Nil, tree.First());
        EXPECT_TRUE(tree.Insert(5, EntryFor(5)));
        EXPECT_EQ(1, tree.Count());
    }
}

} // namespace
