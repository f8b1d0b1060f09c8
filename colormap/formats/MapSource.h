// MapSource.h - a colour map as a reader of another format gives it, and how
// it becomes a list of colours.
//
// A list (.rulv, palettes, tables, text) is N colours. A continuous map
// (.cpt with colour ramps, ParaView presets in RGB, .jscm "continuous") is
// a function on [0, 1], linear in RGB between its nodes: it becomes a list
// by sampling N points at x = i / (N - 1), N = 256 unless asked otherwise,
// each channel rounded to the nearest of 0..255, ties to even. Where a
// list is resampled, its colour i stands at x = i / (M - 1) and the same
// linear interpolation runs between neighbours; the nodes come back
// unchanged when a map of M nodes is sampled at M points.
//
// The transforms apply in this order: the range A:B (the part of the map
// between A and B, sampled like a continuous map), the number of colours,
// the reversal. Range and number make one sampling: colour i of the result
// is the map at x = A + (B - A) * i / (N - 1).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "colormap/ColorMap.h"

namespace rulv {

// A node of a continuous map: x in [0, 1], channels in 0..255 (not rounded).
struct TMapNode {
    double X;
    double Red;
    double Green;
    double Blue;
};

struct TMapSource {
    // Nodes, when the map is a function given by nodes; otherwise Colors.
    std::vector<TMapNode> Nodes;
    TPaletteArray Colors;
    // A list that is a continuous function all the same (.jscm
    // "continuous"): sampled at 256 points unless asked otherwise.
    bool ContinuousList = false;
    // The map's own name, where its format has one (ParaView, .jscm, .gpl).
    std::string Name;

    bool IsNodes() const noexcept { return !Nodes.empty(); }
};

struct TSampling {
    std::optional<std::int64_t> Colors;  // --colours N
    double RangeStart = 0;                // --range A:B
    double RangeEnd = 1;
    bool HasRange = false;
    bool Reverse = false;                 // --reverse
};

// The number of colours continuous maps are sampled at by default.
inline constexpr std::int64_t kDefaultSamples = 256;

// The colours of the map after the transforms. A list without range and
// number is its own colours. Raises EOutOfMemory when they do not fit.
TPaletteArray SampleMap(const TMapSource& source, const TSampling& sampling);
// The same, taking the list itself where it is its own colours.
TPaletteArray SampleMap(TMapSource&& source, const TSampling& sampling);

// How many colours SampleMap gives (without making them).
std::int64_t SampledCount(const TMapSource& source, const TSampling& sampling) noexcept;

// A channel value as a byte: clamped to 0..255, rounded to nearest, ties to even.
int RoundChannel(double value) noexcept;

// The continuous map of `nodes` (sorted by x) at x: the nodes' linear
// interpolation, each channel rounded by RoundChannel. At an x that
// several nodes share (a hard edge), the last of them; left of the first
// node the first, right of the last the last.
TPackedColor NodeColorAt(const std::vector<TMapNode>& nodes, double x) noexcept;

// The colour between two nodes a and b (a.X <= x < b.X) as NodeColorAt
// interpolates it.
TPackedColor ColorBetween(const TMapNode& a, const TMapNode& b, double x) noexcept;

// The same search for the segment as NodeColorAt, for callers that
// interpolate themselves: the index of the last node whose x is at most x
// (0 when none is).
std::size_t NodeSegmentAt(const std::vector<TMapNode>& nodes, double x) noexcept;

}  // namespace rulv
