#pragma once

#include <cstdint>
#include <random>

// The random numbers of the weighted choice: one generator for the process,
// seeded once, at its first draw, from a source that differs at every start.
//
// The seed must not come from the clock alone: clock() at the set's
// construction read the same few tens of milliseconds at every logon, so the
// first draw (the choice stored at the session's end, with the timer off) was
// nearly always one of the first entries of the list.
//
// The generator is the standard library's 64-bit Mersenne Twister: its
// output is fixed by the C++ standard, so the native and the Windows builds
// draw the same numbers from the same seed, and its 64 bits a draw cover any
// sum of weights the set can hold (the runtime's rand() gives 15 bits: a
// list whose weights add up past 32,768 had entries that never came up).
class ChoiceRandom {
public:
    using Generator = std::mt19937_64;

    // One number of the whole 64-bit range.
    static std::uint64_t Draw();
    // A number from 0 to bound - 1, each equally likely; bound must be above 0.
    static std::uint64_t DrawBelow(std::uint64_t bound);
    // A fixed sequence from here on, for tests that repeat a choice.
    static void Seed(std::uint64_t seed);

    // Uniform over 0 to bound - 1 from any generator of 64-bit numbers:
    // draws of as many bits as bound - 1 needs, and a draw past bound - 1 is
    // thrown away and drawn again. A remainder would make the low numbers
    // more likely wherever the range is not a multiple of bound; this keeps
    // every number at the same chance, at fewer than two draws on average.
    template <class Source>
    static std::uint64_t UniformBelow(std::uint64_t bound, Source& source)
    {
        static_assert(Source::min() == 0 && Source::max() == UINT64_MAX, "needs 64 random bits a draw");
        std::uint64_t mask = bound - 1;
        for (unsigned shift = 1; shift < 64; shift *= 2)
            mask |= mask >> shift;
        for (;;) {
            const std::uint64_t r = source() & mask;
            if (r < bound)
                return r;
        }
    }

private:
    static Generator& TheGenerator();
};
