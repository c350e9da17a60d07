// The platform-neutral core with Google Benchmark: Add, PickRandom, and Load
// and Save against the in-memory profile. Built without sanitizers, in
// Release (the "bench-native" preset); `make bench` runs it and puts the
// medians into its table.
//
// Each figure is the time of one whole operation (all 1,000 Adds, one Load of
// the whole list), measured by hand around exactly that operation: building
// the set it starts from is left out.
#include "bench/BenchData.h"
#include "profile/ProfileDocument.h"
#include "wallpapers/WallpaperSet.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// 1,000 new paths into a set that holds 10,000.
void AddNewPaths(benchmark::State& state)
{
    const auto base = bench::Entries(0, static_cast<int>(state.range(0)));
    const auto added = bench::Entries(1000000, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        auto set = std::make_unique<WallpaperSet>();
        bench::Fill(*set, base);
        const auto start = Clock::now();
        for (const WallpaperEntry& entry : added)
            benchmark::DoNotOptimize(set->Add(entry));
        state.SetIterationTime(SecondsSince(start));
    }
}
BENCHMARK(AddNewPaths)->Args({10000, 1000})->UseManualTime()->Unit(benchmark::kMillisecond);

// A list at the Options page's frequencies, and one at frequencies edited
// into the profile by hand, whose sum of weights passes 2^32 (about 7 * 10^12
// for 10,000 entries), so that the draw takes its widest numbers.
void PickRandom(benchmark::State& state)
{
    WallpaperSet set;
    if (state.range(1)) {
        for (std::int32_t priority : {Priority::Low, Priority::Normal, Priority::High})
            set.SetFrequency(priority, INT32_MAX);
    }
    bench::Fill(set, bench::Entries(0, static_cast<int>(state.range(0))));
    WallpaperEntry out;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(set.PickRandom(out));
        state.SetIterationTime(SecondsSince(start));
    }
}
BENCHMARK(PickRandom)->Args({10000, 0})->Args({10000, 1})->UseManualTime()->Unit(benchmark::kMicrosecond);

// The profile as the program finds it at start: the list saved before.
std::unique_ptr<ProfileDocument> SavedProfile(int count)
{
    WallpaperSet set;
    bench::Fill(set, bench::Entries(0, count));
    auto profile = std::make_unique<ProfileDocument>();
    set.Save(*profile);
    return profile;
}

// Load into a new set, as at start-up.
void LoadFromDocument(benchmark::State& state)
{
    const auto profile = SavedProfile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto set = std::make_unique<WallpaperSet>();
        const auto start = Clock::now();
        set->Load(*profile);
        state.SetIterationTime(SecondsSince(start));
        benchmark::DoNotOptimize(set->GetCount());
    }
}
BENCHMARK(LoadFromDocument)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Save over the section that the same list was loaded from, as after OK.
void SaveToDocument(benchmark::State& state)
{
    const auto profile = SavedProfile(static_cast<int>(state.range(0)));
    WallpaperSet set;
    set.Load(*profile);
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(set.Save(*profile));
        state.SetIterationTime(SecondsSince(start));
    }
}
BENCHMARK(SaveToDocument)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

// "--load-once=N": one Load of N entries and nothing else, for counting the
// instructions it executes under callgrind (bench/run does, when valgrind is
// there): a count that grows linearly while the time does not says that the
// difference is the memory, not the work.
int main(int argc, char** argv)
{
    constexpr std::string_view loadOnce = "--load-once=";
    if (argc == 2 && std::string_view(argv[1]).starts_with(loadOnce)) {
        const auto profile = SavedProfile(std::atoi(argv[1] + loadOnce.size()));
        WallpaperSet set;
        set.Load(*profile);
        return set.GetCount() > 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
