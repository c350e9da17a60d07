#pragma once

#include <cstdint>

// The random choice draws from the Windows runtime's rand() (RAND_MAX 32767),
// seeded once with clock(). Builds without that runtime use the same 15-bit
// linear congruential generator, so both draw the same sequence from the same
// seed and a choice can be reproduced on either.
class RuntimeCompatibleRandom {
public:
    static constexpr int Max = 32767;

    explicit constexpr RuntimeCompatibleRandom(std::uint32_t seed = 1) : state(seed) {}

    constexpr int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state;
};

// srand() and rand() of the runtime the program runs on.
void RuntimeSrand(unsigned seed);
int RuntimeRand();
