// RunFinder.h - which runs of a list one #LINE line can write, and the
// fewest such runs that make the whole list.
//
// A #LINE run's channel k is (start + round(k * slope)) rem 256, shown as 0
// while the sum is negative. So a channel of a run is one of:
//   - rising (slope >= 0 in effect): the values wrap upwards past 255, and
//     where the run starts at 0 the sum may start below 0 (a head of
//     zeros, start any negative number);
//   - falling: the values wrap downwards past 0 (start = first value + 256
//     m), and the run may end in zeros once the sum goes negative (a tail).
// Unwrapping the values (each step the smallest rise, or the smallest
// fall, modulo 256) turns a channel into integer points (k, Y_k) that the
// line start + slope * k must round to (RunPolygon.h), ties to even.
//
// A #LINE run cut at its end is still a #LINE run (the same line with a
// smaller count), and every #GRAD run is a #LINE run (its steps are
// slopes). So the least number of lines that cover the first j colours
// never falls as j grows, and the fewest lines come from the layers of a
// jump game: with t lines the first R_t colours can be covered, and R_(t+1)
// is the farthest any start s <= R_t reaches. A run is not closed under
// cutting at its start (the start is pinned to the first colour exactly),
// so every start in (R_(t-1), R_t] is tried, from the right, until three
// colours that no run can hold together, or points that no line passes
// at all, make every start further left hopeless. Each colour is added to
// the polygons at most twice, so the work is linear in the colours, with
// runs of equal colours taken as one.
#pragma once

#include <cstdint>
#include <vector>

#include "colormap/ColorMap.h"

namespace rulv {

// The starts of the runs of a shortest cover of `colors` by #LINE runs
// (the first start is 0; each run ends where the next starts, the last at
// the end).
std::vector<std::int64_t> ShortestRunStarts(const TPaletteArray& colors);

// Whether colors[first .. end - 1] is one #LINE run.
bool IsLineRun(const TPaletteArray& colors, std::int64_t first, std::int64_t end);

// A #LINE run's parameters for one channel: start and the slope's interval
// with the constraints that decide it (RunPolygon.h), relative to the
// run's first colour at x = 0.
struct TChannelLine {
    bool Rising = true;
    std::int64_t Start = 0;
    std::int64_t PinY = 0;  // the pinned start's value in the unwrapped points
    double SlopeLow = 0;
    double SlopeHigh = 0;
    struct TBinding {
        std::int64_t K;   // colour index in the run
        std::int64_t D;   // round(K * slope) must be >= D (lower) or <= D (upper)
        bool Lower;
    };
    std::vector<TBinding> Binding;
    // The slope must be SlopeLow exactly (one slope is left).
    bool Exact = false;
    // The channel's unwrapped values stay within 0..255 without a clamp
    // (so a #GRAD can write it).
    bool Plain = false;
};

// The lines of each channel for the run colors[first .. end - 1], which
// must be one #LINE run (IsLineRun).
struct TRunLines {
    TChannelLine Channels[3];
};
TRunLines LinesOfRun(const TPaletteArray& colors, std::int64_t first, std::int64_t end);

}  // namespace rulv
