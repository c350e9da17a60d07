#include "wallpapers/ChoiceRandom.h"

#include <array>
#include <chrono>
#include <memory>

#ifdef _WIN32
#include <windows.h>
// RtlGenRandom, exported by ADVAPI32 as SystemFunction036.
#include <ntsecapi.h>
#endif

namespace {

// Words that differ between starts. First the system's random source:
// RtlGenRandom, which the C runtime's rand_s draws from, in ADVAPI32 (already
// imported for the registry) on every Windows from XP to 11, 32- and 64-bit
// alike; unlike BCryptGenRandom it loads no further library. Mixed in, so
// that two starts still differ should it ever fail: the performance counter,
// the process and thread ids and the tick count.
std::array<std::uint32_t, 14> StartWords()
{
    std::array<std::uint32_t, 14> words{};
#ifdef _WIN32
    ::RtlGenRandom(words.data(), 8 * sizeof(std::uint32_t));
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    words[8] = static_cast<std::uint32_t>(counter.QuadPart);
    words[9] = static_cast<std::uint32_t>(counter.QuadPart >> 32);
    words[10] = ::GetCurrentProcessId();
    words[11] = ::GetCurrentThreadId();
    words[12] = ::GetTickCount();
#else
    std::random_device device;
    for (std::size_t i = 0; i < 8; ++i)
        words[i] = device();
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    words[8] = static_cast<std::uint32_t>(now);
    words[9] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now) >> 32);
#endif
    const auto where = reinterpret_cast<std::uintptr_t>(&words); // differs between starts where the stack is placed at random
    words[13] = static_cast<std::uint32_t>(where ^ (static_cast<std::uint64_t>(where) >> 32));
    return words;
}

// Made at the first draw, not at start: a start that never draws pays
// nothing. On the heap: as a global its 2,504 bytes of state, zeros until
// then, took as many in the exe's file, since mingw-w64's GCC puts data that
// starts as zeros into a .data section of its own under -fdata-sections,
// not into .bss.
std::unique_ptr<ChoiceRandom::Generator> generator;

} // namespace

ChoiceRandom::Generator& ChoiceRandom::TheGenerator()
{
    if (!generator) {
        const std::array<std::uint32_t, 14> words = StartWords();
        std::seed_seq seed(words.begin(), words.end());
        generator = std::make_unique<Generator>(seed);
    }
    return *generator;
}

std::uint64_t ChoiceRandom::Draw()
{
    return TheGenerator()();
}

std::uint64_t ChoiceRandom::DrawBelow(std::uint64_t bound)
{
    return UniformBelow(bound, TheGenerator());
}

void ChoiceRandom::Seed(std::uint64_t seed)
{
    generator = std::make_unique<Generator>(seed);
}
