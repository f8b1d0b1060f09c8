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
//   monotonic      within the lightness tolerance T (0.25 L* unless told):
//                  "rising" when no colour lies more than T below the
//                  highest L* before it and L* rises by more than T
//                  somewhere, "falling" the other way round, "constant"
//                  when it does neither (one colour included), "not"
//                  otherwise; turns_at is then the first i that goes
//                  against the way L* went first by more than T. So the
//                  small falls that rounding to 8 bits leaves in a rising
//                  map count as flat, while a slow drift of many small
//                  falls still counts, since a fall is measured from the
//                  highest L* so far.
//   largest_fall   how far L* goes back at most against its way, so that
//                  nothing under T is hidden: in a rising, constant or
//                  first rising map the largest distance of a colour below
//                  the highest L* before it, in a falling one above the
//                  lowest; 0 when it never goes back
// A map of one colour has no steps: their measures are missing ("-" in the
// text, null in JSON), below_jnd is 0. So is evenness when every step is 0.
//
// Text (--format text, the default): an aligned table. JSON (--format json):
// one object,
//   {"file": "...", "count": N, "distinct": N, "first": "RRGGBB", "last": "RRGGBB",
//    "lightness": {"min": x, "max": x, "monotonic": "...", "turns_at": i|null,
//                  "largest_fall": x, "tolerance": x, "values": [x, ...]},
//    "jnd": 1.0000,
//    "steps": {"normal": S, "protan": S, "deutan": S, "tritan": S}}
// where S is {"min": x, "median": x, "max": x, "largest_at": i, "evenness": x,
// "below_jnd": N, "values": [x, ...]}: "values" holds L* of every colour,
// and the N-1 steps in index order. CSV (--format csv): a header line
//   index,hex,L*,normal,protan,deutan,tritan
// then one line per colour: its index from 0, RRGGBB, L* and the step to
// the next colour in each view (empty on the last line). All three show
// every real number with four decimals and a full stop, whatever the
// locale, so the formats and the two builds print the same digits.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/ToolCommands.h"
#include "colormap/ColorScience.h"
#include "common/LargeBlock.h"

namespace rulv::tool {

inline constexpr double kJustNoticeableDifference = 1.0;

// Figures of every colour or step, in index order.
using TValues = std::vector<double, TLargeBlockAllocator<double>>;
// Rounding a smooth map to 8 bits leaves falls of a few hundredths of L*.
inline constexpr double kDefaultLightnessTolerance = 0.25;

enum class TMonotony { Rising, Falling, Constant, Not };

struct TLightnessSummary {
    double Min = 0;
    double Max = 0;
    TMonotony Monotony = TMonotony::Constant;
    std::optional<std::size_t> TurnsAt;
    double LargestFall = 0;
    double Tolerance = kDefaultLightnessTolerance;
    bool FallsBack = true;  // it goes back by falling: a rising, constant or first rising map
};

// "rising", "falling", "constant", "not".
std::string_view MonotonyName(TMonotony monotony);

// A stretch of colours where L* goes back against the way it should go by
// more than the tolerance: from the highest L* before it (the lowest, for
// a falling way) to the farthest it goes; At is its first colour.
struct TLightnessTurn {
    std::size_t At;
    double From;
    double To;
};

struct TWayCheck {
    std::vector<TLightnessTurn> Turns;  // all of them, or the first only
    double LargestFall = 0;             // as largest_fall above, for this way
};

// Checks L* of colours [first, last] against one way: `rising` or falling.
// `allTurns` false stops collecting at the first turn (LargestFall still
// covers the whole range).
TWayCheck CheckLightnessWay(const TValues& lightness, std::size_t first, std::size_t last, bool rising,
                            double tolerance, bool allTurns);

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
    TValues LightnessValues;  // L* of every colour
    TLightnessSummary Lightness;
    // One per kInspectedViews entry: the Count - 1 steps, and their summary.
    std::array<TValues, kInspectedViews.size()> StepValues;
    std::array<TStepSummary, kInspectedViews.size()> Steps;
};

// `colors` holds at least one colour. A large map is measured on up to
// `threads` threads (0: one per core of the processor); every figure is
// the same whatever their number.
TInspection InspectColors(const TPaletteArray& colors, double lightnessTolerance = kDefaultLightnessTolerance,
                          unsigned threads = 0);

// The output forms; `name` is the file name as given.
std::string InspectionText(const std::string& name, const TInspection& inspection);
std::string InspectionJson(const std::string& name, const TInspection& inspection);
std::string InspectionCsv(const TPaletteArray& colors, const TInspection& inspection);

// A number with `decimals` decimals and a full stop, in every locale.
std::string FixedText(double value, int decimals = 4);

// A number given on the command line: decimal digits with at most one
// full stop among or before them, no sign, no exponent ("0.25", "4", ".5").
// Leaves `value` alone and gives false for any other text.
bool ParseDecimal(std::string_view text, double& value);

enum class TInspectFormat { Text, Json, Csv };

struct TInspectRequest {
    const TArgument& File;
    TInspectFormat Format = TInspectFormat::Text;
    double LightnessTolerance = kDefaultLightnessTolerance;
    const TArgument* Plot = nullptr;  // the SVG picture to write, if any
};

// Loads the map as `check` does (same messages and exit statuses) and
// writes the inspection to standard output, and the picture (Plot.h) to
// its file; a picture written to standard output ("-") takes the place
// of the report.
int InspectMap(const TInspectRequest& request, TToolStreams& streams);

}  // namespace rulv::tool
