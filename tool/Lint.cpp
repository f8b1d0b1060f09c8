// Lint.cpp - the rules of each kind of colour map, and the lint command.
#include "tool/Lint.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace rulv::tool {

namespace {

std::string Two(double value) { return FixedText(value, 2); }

constexpr std::string_view kSequentialWay = "(a sequential map's L* rises or falls throughout)";
constexpr std::string_view kDivergingTurn = "(a diverging map's L* turns once, within the middle fifth)";

// Rule 1, and the sides of rule 3: the stretches of `check` as findings.
void AddTurns(const TWayCheck& check, bool rising, std::string_view prefix, std::string_view why,
              std::vector<TLintFinding>& findings) {
    for (const TLightnessTurn& turn : check.Turns) {
        findings.push_back({turn.At, std::string(prefix) + (rising ? "falls from " : "rises from ") + Two(turn.From) +
                                         " to " + Two(turn.To) + " " + std::string(why)});
    }
}

void CheckSequentialWay(const TInspection& inspection, double tolerance, std::vector<TLintFinding>& findings) {
    const TLightnessSummary& lightness = inspection.Lightness;
    if (lightness.Monotony == TMonotony::Constant) {
        findings.push_back({std::nullopt, "lightness stays between " + Two(lightness.Min) + " and " +
                                              Two(lightness.Max) + " " + std::string(kSequentialWay)});
        return;
    }
    if (lightness.Monotony != TMonotony::Not) return;
    const bool rising = lightness.FallsBack;  // the way it went first
    const TWayCheck check =
        CheckLightnessWay(inspection.LightnessValues, 0, inspection.Count - 1, rising, tolerance, true);
    AddTurns(check, rising, "lightness ", kSequentialWay, findings);
}

// Rules 2 and 5.
void CheckStepRatio(const TInspection& inspection, double maxRatio, std::string_view kind,
                    std::vector<TLintFinding>& findings) {
    const TValues& steps = inspection.StepValues[0];  // the normal view
    if (steps.empty()) return;
    const double median = *inspection.Steps[0].Median;
    const std::string why = "(a " + std::string(kind) + " map's steps are at most " + Two(maxRatio) +
                            " times the median)";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] <= maxRatio * median) continue;
        std::string reason = "step of " + Two(steps[i]) + " from the colour before ";
        reason += median > 0 ? "is " + Two(steps[i] / median) + " times the median step " + Two(median)
                             : "where the median step is " + Two(median);
        reason += ' ';
        reason += why;
        findings.push_back({i + 1, reason});
    }
}

// Rule 3: the map is split at its lightest colour (rising, then falling)
// or at its darkest (falling, then rising), whichever leaves fewer
// stretches going the wrong way.
void CheckDivergingTurn(const TInspection& inspection, double tolerance, std::vector<TLintFinding>& findings) {
    const TValues& values = inspection.LightnessValues;
    const std::size_t last = inspection.Count - 1;
    struct TSplit {
        std::size_t At;
        bool LightMiddle;
        TWayCheck Before;
        TWayCheck After;
        std::size_t Faults() const { return Before.Turns.size() + After.Turns.size(); }
    };
    const auto split = [&](std::size_t at, bool lightMiddle) {
        return TSplit{at, lightMiddle, CheckLightnessWay(values, 0, at, lightMiddle, tolerance, true),
                      CheckLightnessWay(values, at, last, !lightMiddle, tolerance, true)};
    };
    const auto lightest = static_cast<std::size_t>(std::max_element(values.begin(), values.end()) - values.begin());
    const auto darkest = static_cast<std::size_t>(std::min_element(values.begin(), values.end()) - values.begin());
    const TSplit light = split(lightest, true);
    const TSplit dark = split(darkest, false);
    const TSplit& best = dark.Faults() < light.Faults() ? dark : light;

    // Each side must go away from the turn by more than the tolerance.
    const auto movesAway = [&](std::size_t from, std::size_t to) {
        const auto begin = values.begin() + static_cast<std::ptrdiff_t>(from);
        const auto end = values.begin() + static_cast<std::ptrdiff_t>(to) + 1;
        const double farthest = best.LightMiddle ? *std::min_element(begin, end) : *std::max_element(begin, end);
        return std::abs(values[best.At] - farthest) > tolerance;
    };
    const bool moves = movesAway(0, best.At) && movesAway(best.At, last);
    if (!moves) {
        findings.push_back({std::nullopt, "lightness does not turn " + std::string(kDivergingTurn)});
        return;
    }
    // The middle fifth of the indices 0..last: from 2/5 to 3/5 of last.
    const std::size_t low = (2 * last + 4) / 5;
    const std::size_t high = 3 * last / 5;
    if (best.At < low || best.At > high) {
        findings.push_back({best.At, "lightness turns at " + std::to_string(best.At) + ", outside the middle fifth " +
                                         std::to_string(low) + " to " + std::to_string(high) + " " +
                                         std::string(kDivergingTurn)});
    }
    AddTurns(best.Before, best.LightMiddle, "lightness turns again: it ", kDivergingTurn, findings);
    AddTurns(best.After, !best.LightMiddle, "lightness turns again: it ", kDivergingTurn, findings);
}

// Rule 4.
void CheckCyclicEnds(const TInspection& inspection, std::vector<TLintFinding>& findings) {
    const double apart = DeltaE2000(PackedToLab(inspection.First), PackedToLab(inspection.Last));
    if (apart <= kCyclicEndsApart) return;
    findings.push_back({std::nullopt, "first and last colour are " + Two(apart) +
                                          " apart (a cyclic map's ends meet: at most " + Two(kCyclicEndsApart) +
                                          ")"});
}

// Rule 6: one finding per pair, naming every view it fails in.
void CheckCategoricalSteps(const TInspection& inspection, double minStep, std::vector<TLintFinding>& findings) {
    for (std::size_t i = 0; i + 1 < inspection.Count; ++i) {
        std::string apart;
        for (std::size_t v = 0; v < kInspectedViews.size(); ++v) {
            const double step = inspection.StepValues[v][i];
            if (step >= minStep) continue;
            apart += (apart.empty() ? "" : ", ") + Two(step) + (apart.empty() ? " apart in the " : " in the ") +
                     std::string(VisionViewName(kInspectedViews[v])) + " view";
        }
        if (apart.empty()) continue;
        findings.push_back({i + 1, "colours " + std::to_string(i) + " and " + std::to_string(i + 1) + " are " + apart +
                                       " (a categorical map's neighbours are at least " + Two(minStep) +
                                       " apart in every view)"});
    }
}

}  // namespace

bool ParseMapKind(std::string_view text, TMapKind& kind) {
    constexpr std::pair<std::string_view, TMapKind> kKinds[] = {
        {"sequential", TMapKind::Sequential},
        {"diverging", TMapKind::Diverging},
        {"cyclic", TMapKind::Cyclic},
        {"categorical", TMapKind::Categorical},
    };
    for (const auto& [name, value] : kKinds) {
        if (text == name) {
            kind = value;
            return true;
        }
    }
    return false;
}

std::vector<TLintFinding> LintColors(const TInspection& inspection, TMapKind kind, const TLintLimits& limits) {
    std::vector<TLintFinding> findings;
    switch (kind) {
        case TMapKind::Sequential:
            CheckSequentialWay(inspection, limits.LightnessTolerance, findings);
            CheckStepRatio(inspection, limits.MaxRatio, "sequential", findings);
            break;
        case TMapKind::Diverging: CheckDivergingTurn(inspection, limits.LightnessTolerance, findings); break;
        case TMapKind::Cyclic:
            CheckCyclicEnds(inspection, findings);
            CheckStepRatio(inspection, limits.MaxRatio, "cyclic", findings);
            break;
        case TMapKind::Categorical: CheckCategoricalSteps(inspection, limits.MinStep, findings); break;
    }
    // As a compiler lists them: the whole map first, then by index.
    std::stable_sort(findings.begin(), findings.end(), [](const TLintFinding& a, const TLintFinding& b) {
        return a.At.value_or(0) + (a.At ? 1 : 0) < b.At.value_or(0) + (b.At ? 1 : 0);
    });
    return findings;
}

int LintMaps(const TLintRequest& request, TToolStreams& streams) {
    int worst = kExitOk;
    for (const TArgument* file : request.Files) {
        TPaletteArray colors;
        const TLoadOutcome outcome = LoadForTool(*file, colors, streams);
        if (outcome.Status != kExitOk) {
            streams.Err(outcome.Message);
            worst = std::max(worst, outcome.Status);
            continue;
        }
        const std::string name = ShownName(*file);
        std::string report;
        try {
            const TInspection inspection = InspectColors(colors, request.Limits.LightnessTolerance);
            for (const TLintFinding& finding : LintColors(inspection, request.Kind, request.Limits)) {
                report += name;
                if (finding.At) report += ':' + std::to_string(*finding.At);
                report += ": warning: " + finding.Reason + "\n";
            }
        } catch (const std::bad_alloc&) {
            streams.Err(file->Text + ": not enough memory to lint " + std::to_string(colors.size()) + " colours\n");
            worst = kExitTrouble;
            continue;
        }
        streams.Out(report);
        if (!report.empty()) worst = std::max<int>(worst, kExitFaultyFile);
    }
    return worst;
}

}  // namespace rulv::tool
