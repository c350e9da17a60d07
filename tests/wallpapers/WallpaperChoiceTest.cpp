#include "wallpapers/ChoiceRandom.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::string Chosen(const WallpaperSet& set, std::int64_t r)
{
    WallpaperEntry out{"(nothing)", -1, -1};
    EXPECT_TRUE(set.PickAt(r, out)) << "r " << r;
    return out.path.str();
}

// The point that chi-square with `freedom` degrees of freedom exceeds once in
// ten thousand (Wilson and Hilferty's approximation): a fault in the draw or
// the runs lands far above it, and the fixed seeds keep the figures the same
// from run to run.
double ChiSquareLimit(double freedom)
{
    const double a = 2.0 / (9.0 * freedom);
    return freedom * std::pow(1.0 - a + 3.719 * std::sqrt(a), 3.0);
}

TEST(RandomChoice, EmptySetChoosesNothingAndOneEntryAlwaysItself)
{
    WallpaperSet set;
    const WallpaperEntry before{"keep", 2, 1};
    WallpaperEntry out = before;
    ChoiceRandom::Seed(99);
    EXPECT_FALSE(set.PickRandom(out));
    EXPECT_FALSE(set.PickAt(0, out));
    EXPECT_EQ(before, out);
    EXPECT_EQ(ChoiceRandom::Generator(99)(), ChoiceRandom::Draw()) << "nothing drawn for an empty set";

    std::int32_t id = 0;
    set.Add({"C:\\only.bmp", ShowState::Stretched, 9}, &id);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(set.PickRandom(out));
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
    for (int r = 0; r < 7; ++r)
        EXPECT_EQ(runs[r], Chosen(set, r));
    WallpaperEntry out;
    EXPECT_FALSE(set.PickAt(7, out));
    EXPECT_FALSE(set.PickAt(-1, out));

    // Each PickRandom draws its r below the sum from the process's generator.
    ChoiceRandom::Seed(12345);
    ChoiceRandom::Generator reference(12345);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(set.PickRandom(out));
        ASSERT_EQ(runs[ChoiceRandom::UniformBelow(7, reference)], out.path.str()) << "call " << i;
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

    // Hand-edited frequencies of INT32_MAX: a 32-bit sum would overflow; the
    // runs go on in 64 bits, the last one beyond 2^32.
    WallpaperSet huge;
    huge.SetFrequency(Priority::High, INT32_MAX);
    huge.Add({"low", 0, Priority::Low});
    for (const char* path : {"h1", "h2", "h3"})
        huge.Add({path, 0, Priority::High});
    EXPECT_EQ("low", Chosen(huge, 0));
    EXPECT_EQ("h1", Chosen(huge, INT32_MAX));
    EXPECT_EQ("h2", Chosen(huge, 1 + std::int64_t{INT32_MAX}));
    EXPECT_EQ("h3", Chosen(huge, 1 + 3 * std::int64_t{INT32_MAX} - 1));
    EXPECT_FALSE(huge.PickAt(1 + 3 * std::int64_t{INT32_MAX}, out));
}

// The draws that name the runs, for sums of weights small and far past what
// a 15-bit rand() reaches: with r = rand() % sum, 20,000 made the first 127
// of 200 runs twice as likely as the rest, and 40,000 or a sum past 2^32 left
// every run from 32,768 on unreached.
TEST(RandomChoice, EveryRunIsReachedInProportionAtAnySum)
{
    struct Row {
        const char* name;
        std::vector<std::int64_t> weights;
        int draws;
    };
    const Row rows[] = {
        {"X, Y, Z: 7", {2, 1, 4}, 70000},
        {"200 runs of 100: 20,000", std::vector<std::int64_t>(200, 100), 40000},
        {"400 runs of 100: 40,000", std::vector<std::int64_t>(400, 100), 40000},
        {"past 2^32: 5,368,709,117", {INT32_MAX, INT32_MAX, INT32_MAX / 2}, 50000},
    };
    std::uint64_t seed = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::int64_t> ends(row.weights.size());
        std::partial_sum(row.weights.begin(), row.weights.end(), ends.begin());
        const std::int64_t sum = ends.back();
        ChoiceRandom::Seed(seed++);
        std::vector<int> counts(row.weights.size());
        for (int i = 0; i < row.draws; ++i) {
            const auto r = static_cast<std::int64_t>(ChoiceRandom::DrawBelow(static_cast<std::uint64_t>(sum)));
            ASSERT_LT(r, sum);
            ++counts[std::upper_bound(ends.begin(), ends.end(), r) - ends.begin()];
        }
        double chiSquare = 0;
        for (std::size_t run = 0; run < counts.size(); ++run) {
            const double expected = row.draws * (static_cast<double>(row.weights[run]) / static_cast<double>(sum));
            chiSquare += (counts[run] - expected) * (counts[run] - expected) / expected;
        }
        EXPECT_LT(chiSquare, ChiSquareLimit(static_cast<double>(counts.size() - 1)));
        EXPECT_EQ(0, std::count(counts.begin(), counts.end(), 0)) << "runs never reached";
    }
}

TEST(RandomChoice, ChoicesFromTheProcessGeneratorFollowTheWeights)
{
    // 70,000 choices among weights 1, 2, 4 and 1 (an odd priority) with a
    // fixed seed, through the whole PickRandom.
    WallpaperSet set;
    const std::map<std::string, double> weights{{"low", 1}, {"normal", 2}, {"high", 4}, {"odd", 1}};
    set.Add({"low", 0, Priority::Low});
    set.Add({"normal", 0, Priority::Normal});
    set.Add({"high", 0, Priority::High});
    set.Add({"odd", 0, -4});
    constexpr int draws = 70000;
    ChoiceRandom::Seed(20240611u);
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
    EXPECT_LT(chiSquare, ChiSquareLimit(3)) << "low " << counts["low"] << ", normal " << counts["normal"]
                                            << ", high " << counts["high"] << ", odd " << counts["odd"];
}

} // namespace
