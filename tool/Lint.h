// Lint.h - `rulvtool lint`: does each map keep what its kind promises?
//
// The rules, numbered as --help lists them, on the figures of inspect
// (Inspect.h: L* of every colour, CIEDE2000 steps measured unrounded):
//   sequential  1  L* rises or falls throughout, within the lightness
//                  tolerance (as inspect's "monotonic")
//               2  no step in the normal view is larger than the maximum
//                  ratio (4) times the median step
//   diverging   3  L* turns once, at a colour within the middle fifth of
//                  the indices: it rises to that colour and falls after
//                  it, or the other way round, each side within the
//                  tolerance and moving by more than it
//   cyclic      4  the first and the last colour are at most 2.0 ΔE00 apart
//               5  as rule 2
//   categorical 6  neighbours are at least the minimum step (10 ΔE00) apart
//                  in every inspected view (normal, protan, deutan, tritan)
// Each failure is one line on standard output in the compilers' form,
// "FILE:INDEX: warning: REASON" where it is about one colour (INDEX from 0,
// the colour a step arrives at), "FILE: warning: REASON" otherwise; figures
// with two decimals. A map that keeps every rule of its kind prints nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/Inspect.h"

namespace rulv::tool {

enum class TMapKind { Sequential, Diverging, Cyclic, Categorical };

// "sequential", "diverging", "cyclic", "categorical"; false for anything else.
bool ParseMapKind(std::string_view text, TMapKind& kind);

struct TLintLimits {
    double MaxRatio = 4;         // rules 2 and 5
    double MinStep = 10;         // rule 6
    double LightnessTolerance = kDefaultLightnessTolerance;  // rules 1 and 3
};

inline constexpr double kCyclicEndsApart = 2.0;  // rule 4

struct TLintFinding {
    std::optional<std::size_t> At;  // the colour it is about
    std::string Reason;
};

// The failures of the map (whose inspection was made with the limits'
// lightness tolerance) against the rules of its kind: those about the whole
// map first, then by index (rule by rule at one index).
std::vector<TLintFinding> LintColors(const TInspection& inspection, TMapKind kind, const TLintLimits& limits);

struct TLintRequest {
    std::vector<const TArgument*> Files;
    TMapKind Kind = TMapKind::Sequential;
    TLintLimits Limits;
};

// Lints every file: 0 when all pass, 1 when any fails a rule or has a
// faulty line (reported as `check` reports it), 2 on trouble (a missing
// file, a folder, an input-output error); the worst of all files.
int LintMaps(const TLintRequest& request, TToolStreams& streams);

}  // namespace rulv::tool
