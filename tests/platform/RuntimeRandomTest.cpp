#include "wallpapers/RuntimeRandom.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

struct Sequence {
    std::uint32_t seed;
    std::array<int, 8> draws;
};

// The first eight values of rand() after srand(seed), read off msvcrt under Wine.
constexpr Sequence runtimeSequences[] = {
    {0u, {38, 7719, 21238, 2437, 8855, 11797, 8365, 32285}},
    {1u, {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358}},
    {42u, {175, 400, 17869, 30056, 16083, 12879, 8016, 7644}},
    {12345u, {7584, 19164, 25795, 22125, 5828, 23405, 27477, 5413}},
    {4294967295u, {35, 29739, 3374, 11141, 31308, 7870, 5253, 2445}},
};

TEST(RuntimeRandom, CompatibleGeneratorDrawsTheRuntimeSequence)
{
    for (const Sequence& expected : runtimeSequences) {
        RuntimeCompatibleRandom generator(expected.seed);
        for (int value : expected.draws)
            EXPECT_EQ(value, generator.Next()) << "seed " << expected.seed;
    }
}

TEST(RuntimeRandom, RuntimeFunctionsFollowTheSeed)
{
    for (const Sequence& expected : runtimeSequences) {
        RuntimeSrand(expected.seed);
        for (int value : expected.draws)
            EXPECT_EQ(value, RuntimeRand()) << "seed " << expected.seed;
    }
}

TEST(RuntimeRandom, DrawsStayWithinFifteenBits)
{
    RuntimeCompatibleRandom generator(7);
    int highest = 0;
    for (int i = 0; i < 100000; ++i) {
        const int value = generator.Next();
        ASSERT_GE(value, 0);
        highest = value > highest ? value : highest;
    }
    EXPECT_EQ(RuntimeCompatibleRandom::Max, highest);
}

} // namespace
