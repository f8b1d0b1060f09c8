// Inspect.h - `rulvtool inspect`: how good a colour map is, in the measures
// colour-map designers use (ColorScience.h has the definitions).
//
// For the colours exactly as the loader gives them:
//   - the count, the number of distinct colours, the first and the last;
//   - CIE L* of every colour: its range, and whether it is monotonic;
//   - the CIEDE2000 difference of every pair of neighbours ("steps"), in
//     the normal view and in the protanopia, deuteranopia and tritanopia
//     views, measured on the simulated colours as computed (SimulateLinear:
//     clipped to 0..1 in linear light, never rounded to 8 bits, so that the
//     figures measure the map and not the rounding of the strip that
//     `render --view` draws).
//
// Definitions. Step i is the difference between colours i-1 and i (i from
// 1), so an index always names the colour the change arrives at.
//   min, max       the smallest and the largest step; largest_at is the
//                  first i of the largest
//   median         of all steps; of an even number, the mean of the middle two
//   evenness       coefficient of variation of the steps: population standard
//                  deviation over the mean (0 when all steps are equal)
//   below_jnd      the number of steps under the just-noticeable difference
//                  of 1.0 ΔE00: neighbours a person cannot tell apart
//   monotonic      "rising" when L* never falls and rises at least once,
//                  "falling" the other way round, "constant" when it never
//                  changes (one colour included), "not" otherwise; turns_at
//                  is then the first i that goes against the way L* went
//                  first.
// A map of one colour has no steps: their measures are missing ("-" in the
// text, null in JSON), below_jnd is 0. So is evenness when every step is 0.
//
// Text (--format text, the default): an aligned table. JSON (--format json):
// one object,
//   {"file": "...", "count": N, "distinct": N, "first": "RRGGBB", "last": "RRGGBB",
//    "lightness": {"min": x, "max": x, "monotonic": "...", "turns_at": i|null},
//    "jnd": 1.0000,
//    "steps": {"normal": S, "protan": S, "deutan": S, "tritan": S}}
// where S is {"min": x, "median": x, "max": x, "largest_at": i, "evenness": x,
// "below_jnd": N}. Both show every real number with four decimals and a
// full stop, whatever the locale, so the two formats and the two builds
// print the same digits.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "tool/ToolCommands.h"
#include "colormap/ColorScience.h"

namespace rulv::tool {

inline constexpr double kJustNoticeableDifference = 1.0;

enum class TMonotony { Rising, Falling, Constant, Not };

struct TLightnessSummary {
    double Min = 0;
    double Max = 0;
    TMonotony Monotony = TMonotony::Constant;
    std::optional<std::size_t> TurnsAt;
};

struct TStepSummary {
    std::optional<double> Min;
    std::optional<double> Median;
    std::optional<double> Max;
    std::optional<std::size_t> LargestAt;
    std::optional<double> Evenness;
    std::size_t BelowJnd = 0;
};

// The views whose steps inspect reports, in the order it reports them.
inline constexpr std::array<TVisionView, 4> kInspectedViews{TVisionView::Normal, TVisionView::Protan,
                                                            TVisionView::Deutan, TVisionView::Tritan};

struct TInspection {
    std::size_t Count = 0;
    std::size_t Distinct = 0;
    TPackedColor First = 0;
    TPackedColor Last = 0;
    TLightnessSummary Lightness;
    std::array<TStepSummary, kInspectedViews.size()> Steps;  // one per kInspectedViews entry
};

// `colors` holds at least one colour.
TInspection InspectColors(const TPaletteArray& colors);

// The two output forms; `name` is the file name as given.
std::string InspectionText(const std::string& name, const TInspection& inspection);
std::string InspectionJson(const std::string& name, const TInspection& inspection);

enum class TInspectFormat { Text, Json };

struct TInspectRequest {
    const TArgument& File;
    TInspectFormat Format;
};

// Loads the map as `check` does (same messages and exit statuses) and
// writes the inspection to standard output.
int InspectMap(const TInspectRequest& request, TToolStreams& streams);

}  // namespace rulv::tool
