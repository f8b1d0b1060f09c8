// InspectBench.cpp - how fast `rulvtool inspect` measures a map: a million
// random colours (every colour new, so nothing is saved by converting a
// colour once), a million colours of a gradient (runs of equal colours) and
// a 240-colour rainbow repeated to a million (the same colours again and
// again), on all cores and on one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "tool/Inspect.h"

namespace {

constexpr std::size_t kMillion = 1'000'000;

rulv::TPaletteArray RandomColors() {
    std::mt19937 random(20);
    rulv::TPaletteArray colors(kMillion);
    for (rulv::TPackedColor& color : colors) color = static_cast<rulv::TPackedColor>(random() & 0xFFFFFF);
    return colors;
}

// Black to white in a million steps: 3,906 or 3,907 of each grey.
rulv::TPaletteArray GradientColors() {
    rulv::TPaletteArray colors(kMillion);
    for (std::size_t i = 0; i < kMillion; ++i) colors[i] = static_cast<rulv::TPackedColor>(i * 256 / kMillion * 0x010101);
    return colors;
}

// Red, yellow, green, cyan, blue, magenta and back, 40 steps each, over and over.
rulv::TPaletteArray RepeatedRainbow() {
    rulv::TPaletteArray colors(kMillion);
    for (std::size_t i = 0; i < kMillion; ++i) {
        const int step = static_cast<int>(i % 240);
        const int rise = step % 40 * 255 / 40;
        const int fall = 255 - rise;
        const int channels[6][3] = {{255, rise, 0}, {fall, 255, 0},  {0, 255, rise},
                                    {0, fall, 255}, {rise, 0, 255}, {255, 0, fall}};
        const int* sixth = channels[step / 40];
        colors[i] = rulv::PackColor(sixth[0], sixth[1], sixth[2]);
    }
    return colors;
}

void Measure(benchmark::State& state, const rulv::TPaletteArray& colors) {
    const auto threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        const rulv::tool::TInspection inspection =
            rulv::tool::InspectColors(colors, rulv::tool::kDefaultLightnessTolerance, threads);
        benchmark::DoNotOptimize(inspection.Steps[0].Median);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(colors.size()));
}

void InspectRandomMillion(benchmark::State& state) {
    static const rulv::TPaletteArray colors = RandomColors();
    Measure(state, colors);
}
void InspectGradientMillion(benchmark::State& state) {
    static const rulv::TPaletteArray colors = GradientColors();
    Measure(state, colors);
}
void InspectRepeatedRainbow(benchmark::State& state) {
    static const rulv::TPaletteArray colors = RepeatedRainbow();
    Measure(state, colors);
}

// Argument: the most threads (0: one per core).
BENCHMARK(InspectRandomMillion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(InspectGradientMillion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(InspectRepeatedRainbow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
