// LoadBench.cpp - how fast the colour-map reader is and how much memory it
// needs: a 1,000,000-line file, a #GRAD and a #LINE of 10,000,000 colours,
// the exact products alone, the peak memory per colour loaded and that of
// a thumbnail's largest reads.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "colormap/ColorMap.h"
#include "common/Extended.h"
#include "shell/ThumbnailRead.h"

// --- memory accounting -------------------------------------------------------
//
// What a read holds at its peak: the process's resident memory, whose peak
// the kernel resets on request (Linux: /proc/self/clear_refs). It counts
// what is really touched: the palette's storage once it has address space
// of its own (LargeBlock.h), the heap's blocks (the line buffer, the
// caller's array) and nothing that is only reserved.

namespace {

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM").
std::size_t StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) return std::stoull(line.substr(key.size() + 1)) * 1024;
    }
    return 0;
}

// The resident memory now, with its peak reset to it. Memory the heap has
// kept from earlier benchmarks goes back to the system first, so that a
// block the read takes from the heap is counted like a new one.
std::size_t ResetResidentPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return StatusBytes("VmRSS");
}

}  // namespace

namespace {

using namespace rulv;

constexpr int kMillion = 1'000'000;

// The benchmark file: 1,000,000 colour lines "RRGGBB" CR LF, colours spread
// over the whole range. Written once per run, in the temporary folder
// (RULV_BENCH_FILE names another place, e.g. for the comparison with wc -l).
const std::filesystem::path& MillionLineFile() {
    static const std::filesystem::path name = [] {
        const char* chosen = std::getenv("RULV_BENCH_FILE");
        std::filesystem::path path =
            chosen != nullptr ? chosen : std::filesystem::temp_directory_path() / "rulv-bench-1M.rulv";
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        char line[16];
        for (std::uint64_t i = 0; i < kMillion; ++i) {
            std::snprintf(line, sizeof(line), "%06X\r\n", static_cast<unsigned>((i * 2654435761u) % 16777216u));
            file << line;
        }
        return path;
    }();
    return name;
}

void LoadMillionLines(benchmark::State& state) {
    const auto& file = MillionLineFile();
    const auto fileSize = static_cast<std::int64_t>(std::filesystem::file_size(file));
    for (auto _ : state) {
        TPaletteArray colors;
        const ColorMapResult result = LoadColorMapFile(file, colors, '.');
        if (result != kColorMapLoaded || colors.size() != kMillion) state.SkipWithError("the load failed");
        benchmark::DoNotOptimize(colors.data());
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
    state.SetBytesProcessed(state.iterations() * fileSize);
    state.counters["time_per_line"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kMillion,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(LoadMillionLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same file read again into the same array, as the viewer's Ctrl+R does.
void ReloadMillionLines(benchmark::State& state) {
    const auto& file = MillionLineFile();
    TPaletteArray colors;
    for (auto _ : state) {
        const ColorMapResult result = LoadColorMapFile(file, colors, '.');
        if (result != kColorMapLoaded || colors.size() != kMillion) state.SkipWithError("the load failed");
        benchmark::DoNotOptimize(colors.data());
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
    state.counters["time_per_line"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kMillion,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ReloadMillionLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// The line parser appending the 10,000,000 colours of one generated run.
void TimeTenMillionColorLine(benchmark::State& state, const char* line) {
    constexpr std::int64_t kColors = 10'000'000;
    for (auto _ : state) {
        TPalette palette('.');
        palette.ParseLine(line);
        if (palette.LastIndex() + 1 != kColors) state.SkipWithError("wrong count");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kColors);
    state.counters["time_per_colour"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kColors,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Gradient10M(benchmark::State& state) { TimeTenMillionColorLine(state, "#GRAD 000000,FFFFFF,10000000"); }
BENCHMARK(Gradient10M)->Unit(benchmark::kMillisecond)->UseRealTime();

// Fractional slopes: every colour differs from the last, so no run of equal
// colours helps here.
void Linear10M(benchmark::State& state) { TimeTenMillionColorLine(state, "#LINE 0,0.37,10,-0.21,255,1.7,10000000"); }
BENCHMARK(Linear10M)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- the products alone ------------------------------------------------------
//
// RoundedProduct(k, step) for k = 0 .. count - 1, summed, one way or the
// other: the general routine once per k, TRoundedProductSeries stepping
// through k (by Advance, and by Fill), and the series jumping from run to
// run of equal values.

const struct {
    const char* name;
    double step;
} kSteps[] = {
    {"slope 0.37", 0.37},
    {"slope 1.7", 1.7},
    {"gradient 255/10M", StoredQuotient(255, 10'000'000)},  // #GRAD 000000,FFFFFF,10000000
    {"ties 0.5", 0.5},
};

void SetProductCounters(benchmark::State& state, std::int64_t products) {
    state.SetLabel(kSteps[state.range(0)].name);
    state.SetItemsProcessed(state.iterations() * products);
    state.counters["time_per_product"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(products),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void ProductPerCall(benchmark::State& state) {
    constexpr std::int64_t kProducts = 1'000'000;
    const double step = kSteps[state.range(0)].step;
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::int64_t k = 0; k < kProducts; ++k) sum += RoundedProduct(k, step);
        benchmark::DoNotOptimize(sum);
    }
    SetProductCounters(state, kProducts);
}
BENCHMARK(ProductPerCall)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

void ProductSeries(benchmark::State& state) {
    constexpr std::int64_t kProducts = 10'000'000;
    const double step = kSteps[state.range(0)].step;
    for (auto _ : state) {
        std::int64_t sum = 0;
        TRoundedProductSeries series(step, kProducts);
        for (; series.Index() < kProducts; series.Advance()) sum += series.Value();
        benchmark::DoNotOptimize(sum);
    }
    SetProductCounters(state, kProducts);
}
BENCHMARK(ProductSeries)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same through Fill, a block of 4096 values at a time.
void ProductSeriesFill(benchmark::State& state) {
    constexpr std::int64_t kProducts = 10'000'000;
    constexpr std::int64_t kBlock = 4096;
    const double step = kSteps[state.range(0)].step;
    std::vector<std::int64_t> block(kBlock);
    for (auto _ : state) {
        std::int64_t sum = 0;
        TRoundedProductSeries series(step, kProducts);
        while (series.Index() < kProducts) {
            const std::int64_t count = std::min(kBlock, kProducts - series.Index());
            series.Fill(block.data(), count);
            for (std::int64_t i = 0; i < count; ++i) sum += block[static_cast<std::size_t>(i)];
        }
        benchmark::DoNotOptimize(sum);
    }
    SetProductCounters(state, kProducts);
}
BENCHMARK(ProductSeriesFill)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

void ProductSeriesByRuns(benchmark::State& state) {
    constexpr std::int64_t kProducts = 10'000'000;
    const double step = kSteps[state.range(0)].step;
    for (auto _ : state) {
        std::int64_t sum = 0;
        TRoundedProductSeries series(step, kProducts);
        while (series.Index() < kProducts) {
            const std::int64_t end = series.NextChange(kProducts);
            sum += series.Value() * (end - series.Index());
            series.SkipTo(end);
        }
        benchmark::DoNotOptimize(sum);
    }
    SetProductCounters(state, kProducts);
}
BENCHMARK(ProductSeriesByRuns)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak memory during one whole read (palette growth, the line buffer, the
// caller's exact-size array), per colour. Counts just past a doubling were
// the worst case while the palette grew by copying; now only the pages
// written count.
void PeakMemoryPerColor(benchmark::State& state) {
    const auto count = static_cast<std::int32_t>(state.range(0));
    const std::string data = "#GRAD 000000,FFFFFF," + std::to_string(count) + "\r\n";
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t before = ResetResidentPeak();
        TPaletteArray colors;
        TMemoryInput input(data);
        if (ReadColorMap(input, colors, '.') != kColorMapLoaded) state.SkipWithError("the read failed");
        peak = StatusBytes("VmHWM") - before;
    }
    state.counters["colours"] = count;
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["bytes_per_colour"] = static_cast<double>(peak) / count;
}
BENCHMARK(PeakMemoryPerColor)
    ->Arg(1'000'000)
    ->Arg(1 << 20)
    ->Arg((1 << 20) + 1)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The same for the million-line file, read from disk.
void PeakMemoryMillionLines(benchmark::State& state) {
    const auto& file = MillionLineFile();
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t before = ResetResidentPeak();
        TPaletteArray colors;
        if (LoadColorMapFile(file, colors, '.') != kColorMapLoaded) state.SkipWithError("the load failed");
        peak = StatusBytes("VmHWM") - before;
    }
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["bytes_per_colour"] = static_cast<double>(peak) / kMillion;
}
BENCHMARK(PeakMemoryMillionLines)->Unit(benchmark::kMillisecond)->Iterations(1);

// Peak memory of one thumbnail's read (ReadThumbnailColumns, 256 columns)
// against its budget: 0 the largest list the thumbnail takes, 1 a #GRAD
// of 2,000,000,000 colours (fails at the colour limit), 2 the longest
// directive line first (the reader keeps its buffer) and then the largest
// list.
void PeakMemoryThumbnail(benchmark::State& state) {
    const std::string largest = "#GRAD 000000,FFFFFF," + std::to_string(kThumbnailColorLimit) + "\r\n";
    const std::string longLine = "#GRAD 000000," + std::string(kThumbnailMaxDirectiveLine - 21, ' ') + "FFFFFF,1\r\n";
    const std::string afterLongLine = "#GRAD 000000,FFFFFF," + std::to_string(kThumbnailColorLimit - 1) + "\r\n";
    const std::string inputs[] = {largest, "#GRAD 000000,FFFFFF,2000000000\r\n", longLine + afterLongLine};
    const std::string& data = inputs[state.range(0)];
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t before = ResetResidentPeak();
        TMemoryInput input(data);
        std::vector<TPackedColor> columns;
        const ColorMapResult result = ReadThumbnailColumns(input, 256, '.', columns);
        if ((result == kColorMapLoaded) != (state.range(0) != 1)) state.SkipWithError("unexpected result");
        peak = StatusBytes("VmHWM") - before;
    }
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["budget_share"] = static_cast<double>(peak) / static_cast<double>(kThumbnailMemoryBudget);
}
BENCHMARK(PeakMemoryThumbnail)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
