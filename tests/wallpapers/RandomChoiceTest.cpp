#include "wallpapers/RuntimeRandom.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

namespace {

std::string Chosen(const WallpaperSet& set, int draw)
{
    WallpaperEntry out{"(nothing)", -1, -1};
    EXPECT_TRUE(set.PickWithDraw(draw, out)) << "draw " << draw;
    return out.path.str();
}

TEST(RandomChoice, EmptySetChoosesNothingAndOneEntryAlwaysItself)
{
    WallpaperSet set;
    const WallpaperEntry before{"keep", 2, 1};
    WallpaperEntry out = before;
    RuntimeSrand(99);
    EXPECT_FALSE(set.PickRandom(out));
    EXPECT_FALSE(set.PickWithDraw(5, out));
    EXPECT_EQ(before, out);
    EXPECT_EQ(RuntimeCompatibleRandom(99).Next(), RuntimeRand()) << "nothing drawn for an empty set";

    std::int32_t id = 0;
    set.Add({"C:\\only.bmp", ShowState::Stretched, 9}, &id);
    for (int draw : {0, 1, 32767}) {
        ASSERT_TRUE(set.PickWithDraw(draw, out));
        EXPECT_EQ((WallpaperEntry{"C:\\only.bmp", ShowState::Stretched, 9}), out);
    }
    out.path = CString(out.path.str() + "changed"); // a copy: the set keeps its own
    WallpaperEntry stored;
    set.Get(id, stored);
    EXPECT_EQ((WallpaperEntry{"C:\\only.bmp", ShowState::Stretched, 9}), stored);
}

TEST(RandomChoice, RunsFollowIdOrderAndWeights)
{
    WallpaperSet set;
    set.Add({"X", 0, Priority::Normal});
    set.Add({"Y", 0, Priority::Low});
    set.Add({"Z", 0, Priority::High});
    const char* runs[] = {"X", "X", "Y", "Z", "Z", "Z", "Z"};
    for (int draw = 0; draw < 21; ++draw)
        EXPECT_EQ(runs[draw % 7], Chosen(set, draw));
    EXPECT_EQ("X", Chosen(set, 32767)); // 32767 = 7 * 4681

    // Each PickRandom draws exactly one number and reduces it the same way.
    RuntimeSrand(12345);
    RuntimeCompatibleRandom reference(12345);
    for (int i = 0; i < 200; ++i) {
        WallpaperEntry out;
        ASSERT_TRUE(set.PickRandom(out));
        ASSERT_EQ(runs[reference.Next() % 7], out.path.str()) << "call " << i;
    }

    // The options page's bounds, and a hand-edited priority weighing 1.
    WallpaperSet bounds;
    bounds.SetFrequency(Priority::Low, 10);
    bounds.SetFrequency(Priority::High, 1000);
    bounds.Add({"low", 0, Priority::Low});
    bounds.Add({"high", 0, Priority::High});
    bounds.Add({"five", 0, 5});
    for (int r = 0; r < 1011; ++r)
        ASSERT_EQ(r < 10 ? "low" : r < 1010 ? "high" : "five", Chosen(bounds, r)) << "r " << r;
}

TEST(RandomChoice, LargeSumsReachOnlyTheFirst32768Numbers)
{
    // Weights 30000, 2768, 5: the third run starts at 32768, beyond any draw.
    WallpaperSet set;
    set.SetFrequency(Priority::High, 30000);
    set.SetFrequency(Priority::Normal, 2768);
    set.SetFrequency(Priority::Low, 5);
    set.Add({"a", 0, Priority::High});
    set.Add({"b", 0, Priority::Normal});
    set.Add({"c", 0, Priority::Low});
    EXPECT_EQ("a", Chosen(set, 29999));
    EXPECT_EQ("b", Chosen(set, 30000));
    EXPECT_EQ("b", Chosen(set, 32767));

    // Hand-edited frequencies of INT32_MAX: a 32-bit sum would overflow (UB,
    // and a negative modulus). The draw, below every such sum, maps to itself.
    WallpaperSet huge;
    huge.SetFrequency(Priority::Low, 1);
    huge.SetFrequency(Priority::High, INT32_MAX);
    huge.Add({"low", 0, Priority::Low});
    for (const char* path : {"h1", "h2", "h3"})
        huge.Add({path, 0, Priority::High});
    EXPECT_EQ("low", Chosen(huge, 0));
    EXPECT_EQ("h1", Chosen(huge, 1));
    EXPECT_EQ("h1", Chosen(huge, 32767));
}

TEST(RandomChoice, DrawsFromTheRealGeneratorFollowTheWeights)
{
    // 70,000 choices among weights 1, 2, 4 and 1 (an odd priority) with a
    // fixed seed; chi-square with 3 degrees of freedom against its 0.1 %
    // point, 16.27: a fault in the weights or the runs lands far above it.
    WallpaperSet set;
    const std::map<std::string, double> weights{{"low", 1}, {"normal", 2}, {"high", 4}, {"odd", 1}};
    set.Add({"low", 0, Priority::Low});
    set.Add({"normal", 0, Priority::Normal});
    set.Add({"high", 0, Priority::High});
    set.Add({"odd", 0, -4});
    constexpr int draws = 70000;
    RuntimeSrand(20240611u);
    std::map<std::string, int> counts;
    for (int i = 0; i < draws; ++i) {
        WallpaperEntry out;
        ASSERT_TRUE(set.PickRandom(out));
        ++counts[out.path.str()];
    }
    double chiSquare = 0;
    for (const auto& [path, weight] : weights) {
        const double expected = draws * weight / 8.0;
        chiSquare += (counts[path] - expected) * (counts[path] - expected) / expected;
    }
    EXPECT_LT(chiSquare, 16.27) << "low " << counts["low"] << ", normal " << counts["normal"] << ", high "
                                << counts["high"] << ", odd " << counts["odd"];
}

} // namespace
