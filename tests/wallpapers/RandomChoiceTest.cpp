#include "wallpapers/RuntimeRandom.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Chosen(const WallpaperSet& set, int draw)
{
    WallpaperEntry out{"(nothing)", -1, -1};
    EXPECT_TRUE(set.PickWithDraw(draw, out)) << "draw " << draw;
    return out.path.str();
}

TEST(RandomChoice, EmptySetChoosesNothingAndDrawsNothing)
{
    WallpaperSet set;
    const WallpaperEntry before{"keep", 2, 1};
    WallpaperEntry out = before;
    RuntimeSrand(99);
    EXPECT_FALSE(set.PickRandom(out));
    EXPECT_EQ(before, out);
    EXPECT_FALSE(set.PickWithDraw(5, out));
    EXPECT_EQ(before, out);
    RuntimeCompatibleRandom reference(99);
    EXPECT_EQ(reference.Next(), RuntimeRand()) << "the generator moved without a choice";
}

TEST(RandomChoice, RunsFollowIdOrderAndWeights)
{
    WallpaperSet set;
    set.Add({"X", ShowState::Tiled, Priority::Normal});
    set.Add({"Y", ShowState::Tiled, Priority::Low});
    set.Add({"Z", ShowState::Tiled, Priority::High});
    const char* expected[] = {"X", "X", "Y", "Z", "Z", "Z", "Z"};
    for (int draw = 0; draw < 7 * 3; ++draw)
        EXPECT_EQ(expected[draw % 7], Chosen(set, draw));
    EXPECT_EQ("Z", Chosen(set, 32766));
    EXPECT_EQ("X", Chosen(set, 32767)); // 32767 = 7 * 4681
}

TEST(RandomChoice, OptionsPageBoundsAndOutOfRangePriority)
{
    WallpaperSet set;
    set.SetFrequency(Priority::Low, 10);
    set.SetFrequency(Priority::High, 1000);
    set.Add({"low", ShowState::Tiled, Priority::Low});
    set.Add({"high", ShowState::Tiled, Priority::High});
    for (int r = 0; r < 1010; ++r)
        ASSERT_EQ(r < 10 ? "low" : "high", Chosen(set, r)) << "r " << r;

    // Priority 5 weighs 1, whatever the frequencies.
    WallpaperSet odd;
    odd.SetFrequency(Priority::Low, 1000);
    odd.Add({"five", ShowState::Tiled, 5});
    odd.Add({"normal", ShowState::Tiled, Priority::Normal});
    EXPECT_EQ("five", Chosen(odd, 0));
    EXPECT_EQ("normal", Chosen(odd, 1));
    EXPECT_EQ("normal", Chosen(odd, 2));
    EXPECT_EQ("five", Chosen(odd, 3));
}

TEST(RandomChoice, SingleEntryAlwaysChosenAndCopiedOut)
{
    WallpaperSet set;
    std::int32_t id = 0;
    set.Add({"", ShowState::None, Priority::Low}, &id);
    for (int draw : {0, 1, 2, 12345, 32767}) {
        WallpaperEntry out;
        ASSERT_TRUE(set.PickWithDraw(draw, out));
        EXPECT_EQ((WallpaperEntry{"", ShowState::None, Priority::Low}), out);
    }
    set.Update(id, {"C:\\only.bmp", ShowState::Stretched, 9});
    WallpaperEntry out;
    ASSERT_TRUE(set.PickRandom(out));
    EXPECT_EQ((WallpaperEntry{"C:\\only.bmp", ShowState::Stretched, 9}), out);
    out.path += "changed";
    out.showState = 0;
    WallpaperEntry stored;
    set.Get(id, stored);
    EXPECT_EQ((WallpaperEntry{"C:\\only.bmp", ShowState::Stretched, 9}), stored);
}

TEST(RandomChoice, RunsFromDraw32768OnAreNeverReached)
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
    RuntimeSrand(4);
    for (int i = 0; i < 5000; ++i) {
        WallpaperEntry out;
        ASSERT_TRUE(set.PickRandom(out));
        ASSERT_NE("c", out.path.str());
    }
}

TEST(RandomChoice, HugeHandEditedFrequenciesDoNotOverflow)
{
    // Three entries of weight INT32_MAX: a 32-bit sum would overflow. The
    // draw is below every sum here, so it maps to itself: all in the first run.
    WallpaperSet set;
    set.SetFrequency(Priority::High, INT32_MAX);
    for (const char* path : {"a", "b", "c"})
        set.Add({path, 0, Priority::High});
    EXPECT_EQ("a", Chosen(set, 0));
    EXPECT_EQ("a", Chosen(set, 32767));

    // Small weights after huge ones: the choice still stays in the first run,
    // and a sum just above INT32_MAX still finds an entry.
    WallpaperSet mixed;
    mixed.SetFrequency(Priority::Low, 1);
    mixed.SetFrequency(Priority::High, INT32_MAX);
    mixed.Add({"low", 0, Priority::Low});
    mixed.Add({"high", 0, Priority::High});
    EXPECT_EQ("low", Chosen(mixed, 0));
    EXPECT_EQ("high", Chosen(mixed, 1));
    EXPECT_EQ("high", Chosen(mixed, 32767));

    // A sum that still fits 32 bits keeps the plain remainder mapping.
    WallpaperSet fits;
    fits.SetFrequency(Priority::Low, 3);
    fits.Add({"only", 0, Priority::Low});
    fits.Add({"other", 0, 11});
    EXPECT_EQ("other", Chosen(fits, 32767)); // 32767 % 4 == 3
}

TEST(RandomChoice, EachCallDrawsExactlyOneNumber)
{
    WallpaperSet set;
    set.Add({"X", 0, Priority::Normal});
    set.Add({"Y", 0, Priority::Low});
    set.Add({"Z", 0, Priority::High});
    RuntimeSrand(12345);
    RuntimeCompatibleRandom reference(12345);
    const char* runs[] = {"X", "X", "Y", "Z", "Z", "Z", "Z"};
    for (int i = 0; i < 200; ++i) {
        WallpaperEntry out;
        ASSERT_TRUE(set.PickRandom(out));
        ASSERT_EQ(runs[reference.Next() % 7], out.path.str()) << "call " << i;
    }
}

TEST(RandomChoice, DrawsFromTheRealGeneratorFollowTheWeights)
{
    // 70,000 choices among weights 1, 2, 4 (plus an odd priority, weight 1)
    // with a fixed seed; chi-square with 3 degrees of freedom. 16.27 is the
    // 0.1 % point: a fault in the weights or runs lands far above it.
    WallpaperSet set;
    set.Add({"low", 0, Priority::Low});
    set.Add({"normal", 0, Priority::Normal});
    set.Add({"high", 0, Priority::High});
    set.Add({"odd", 0, -4});
    const std::map<std::string, double> weight{{"low", 1}, {"normal", 2}, {"high", 4}, {"odd", 1}};
    constexpr int draws = 70000;
    RuntimeSrand(20240611u);
    std::map<std::string, int> counts;
    for (int i = 0; i < draws; ++i) {
        WallpaperEntry out;
        ASSERT_TRUE(set.PickRandom(out));
        ++counts[out.path.str()];
    }
    double chiSquare = 0;
    for (const auto& [path, w] : weight) {
        const double expected = draws * w / 8.0;
        const double diff = counts[path] - expected;
        chiSquare += diff * diff / expected;
    }
    EXPECT_LT(chiSquare, 16.27) << "low " << counts["low"] << ", normal " << counts["normal"]
                                << ", high " << counts["high"] << ", odd " << counts["odd"];
}

} // namespace
