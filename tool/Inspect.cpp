// Inspect.cpp - lightness and neighbour steps of a colour map, as text or JSON.
#include "tool/Inspect.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

namespace rulv::tool {

namespace {

constexpr int kDecimals = 4;

// --- measures ----------------------------------------------------------------

// The number of different colours, counted in a bitmap of all 2^24 values
// (2 MB) instead of a sorted copy of a map that may be large.
std::size_t DistinctColors(const TPaletteArray& colors) {
    std::vector<bool> seen(std::size_t{1} << 24);
    std::size_t distinct = 0;
    for (const TPackedColor color : colors) {
        const auto value = static_cast<std::uint32_t>(color) & 0xFFFFFF;
        if (!seen[value]) {
            seen[value] = true;
            ++distinct;
        }
    }
    return distinct;
}

TLightnessSummary SummariseLightness(const TPaletteArray& colors) {
    TLightnessSummary summary;
    double previous = PackedToLab(colors.front()).L;
    summary.Min = summary.Max = previous;
    int direction = 0;  // +1 rising, -1 falling, 0 not moved yet
    for (std::size_t i = 1; i < colors.size(); ++i) {
        const double lightness = PackedToLab(colors[i]).L;
        summary.Min = std::min(summary.Min, lightness);
        summary.Max = std::max(summary.Max, lightness);
        const int move = lightness > previous ? 1 : (lightness < previous ? -1 : 0);
        previous = lightness;
        if (move == 0 || summary.TurnsAt) continue;
        if (direction == 0) {
            direction = move;
        } else if (move != direction) {
            summary.TurnsAt = i;
        }
    }
    if (summary.TurnsAt) {
        summary.Monotony = TMonotony::Not;
    } else if (direction != 0) {
        summary.Monotony = direction > 0 ? TMonotony::Rising : TMonotony::Falling;
    }
    return summary;
}

// `steps` is reordered.
TStepSummary SummariseSteps(std::vector<double>& steps) {
    TStepSummary summary;
    if (steps.empty()) return summary;
    double sum = 0;
    std::size_t largest = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        sum += steps[i];
        if (steps[i] > steps[largest]) largest = i;
        if (steps[i] < kJustNoticeableDifference) ++summary.BelowJnd;
    }
    const auto count = static_cast<double>(steps.size());
    const double mean = sum / count;
    double squares = 0;
    for (const double step : steps) squares += (step - mean) * (step - mean);
    if (mean > 0) summary.Evenness = std::sqrt(squares / count) / mean;
    summary.Max = steps[largest];
    summary.LargestAt = largest + 1;  // step i arrives at colour i

    std::sort(steps.begin(), steps.end());
    summary.Min = steps.front();
    const std::size_t middle = steps.size() / 2;
    summary.Median = steps.size() % 2 == 1 ? steps[middle] : (steps[middle - 1] + steps[middle]) / 2;
    return summary;
}

// Fills `steps` with the neighbour differences of the colours as `view` shows them.
void ViewSteps(const TPaletteArray& colors, TVisionView view, std::vector<double>& steps) {
    steps.clear();
    TLab previous = LinearToLab(SimulateLinear(colors.front(), view));
    for (std::size_t i = 1; i < colors.size(); ++i) {
        const TLab current = LinearToLab(SimulateLinear(colors[i], view));
        steps.push_back(DeltaE2000(previous, current));
        previous = current;
    }
}

// --- number and name texts ---------------------------------------------------

// Four decimals and a full stop in every locale: to_chars knows no locale,
// and both builds share its implementation. Every value shown is 0 or more
// (L*, ΔE00 and their ratios), so there is no -0.0000.
std::string Fixed(double value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, kDecimals);
    if (error != std::errc()) return "nan";  // beyond 1e58: no colour difference gets there
    return std::string(text, end);
}

std::string Hex(TPackedColor color) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto value = static_cast<std::uint32_t>(color);
    std::string text;
    // Red, in the low byte, comes first, as in the files.
    for (const unsigned shift : {0u, 8u, 16u}) {
        text.push_back(kDigits[(value >> (shift + 4)) & 0xF]);
        text.push_back(kDigits[(value >> shift) & 0xF]);
    }
    return text;
}

std::string_view MonotonyName(TMonotony monotony) {
    switch (monotony) {
        case TMonotony::Rising: return "rising";
        case TMonotony::Falling: return "falling";
        case TMonotony::Constant: return "constant";
        case TMonotony::Not: return "not";
    }
    return "not";
}

template <typename T>
std::string OrNull(const std::optional<T>& value, std::string_view missing) {
    if (!value) return std::string(missing);
    if constexpr (std::is_floating_point_v<T>) {
        return Fixed(*value);
    } else {
        return std::to_string(*value);
    }
}

// --- text --------------------------------------------------------------------

std::string PadLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string Field(std::string_view key, const std::string& value) {
    return PadRight(std::string(key), 12) + value + "\n";
}

std::string LightnessText(const TLightnessSummary& lightness) {
    if (lightness.Monotony != TMonotony::Not) return std::string(MonotonyName(lightness.Monotony));
    return "not monotonic, turns at " + std::to_string(*lightness.TurnsAt);
}

}  // namespace

TInspection InspectColors(const TPaletteArray& colors) {
    TInspection inspection;
    inspection.Count = colors.size();
    inspection.Distinct = DistinctColors(colors);
    inspection.First = colors.front();
    inspection.Last = colors.back();
    inspection.Lightness = SummariseLightness(colors);
    std::vector<double> steps;
    steps.reserve(colors.size() - 1);
    for (std::size_t v = 0; v < kInspectedViews.size(); ++v) {
        ViewSteps(colors, kInspectedViews[v], steps);
        inspection.Steps[v] = SummariseSteps(steps);
    }
    return inspection;
}

std::string InspectionText(const std::string& name, const TInspection& inspection) {
    std::string text;
    text += Field("file", name);
    text += Field("colours", std::to_string(inspection.Count));
    text += Field("distinct", std::to_string(inspection.Distinct));
    text += Field("first", Hex(inspection.First));
    text += Field("last", Hex(inspection.Last));
    text += Field("L* min", Fixed(inspection.Lightness.Min));
    text += Field("L* max", Fixed(inspection.Lightness.Max));
    text += Field("lightness", LightnessText(inspection.Lightness));
    text += "\nsteps between neighbours, CIEDE2000; below " + Fixed(kJustNoticeableDifference) +
            " they cannot be told apart\n";
    constexpr std::size_t kWidth = 10;
    text += PadRight("view", 6) + PadLeft("min", kWidth) + PadLeft("median", kWidth) + PadLeft("max", kWidth) +
            PadLeft("largest at", kWidth + 2) + PadLeft("evenness", kWidth) + PadLeft("below jnd", kWidth + 1) + "\n";
    for (std::size_t v = 0; v < kInspectedViews.size(); ++v) {
        const TStepSummary& steps = inspection.Steps[v];
        text += PadRight(std::string(VisionViewName(kInspectedViews[v])), 6) + PadLeft(OrNull(steps.Min, "-"), kWidth) +
                PadLeft(OrNull(steps.Median, "-"), kWidth) + PadLeft(OrNull(steps.Max, "-"), kWidth) +
                PadLeft(OrNull(steps.LargestAt, "-"), kWidth + 2) + PadLeft(OrNull(steps.Evenness, "-"), kWidth) +
                PadLeft(std::to_string(steps.BelowJnd), kWidth + 1) + "\n";
    }
    return text;
}

namespace {

// A JSON string: quotes, backslashes and control characters escaped; other
// bytes (UTF-8) as they are.
std::string JsonString(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            quoted += "\\u00";
            quoted += kDigits[byte >> 4];
            quoted += kDigits[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string JsonSteps(const TStepSummary& steps) {
    return "{\"min\": " + OrNull(steps.Min, "null") + ", \"median\": " + OrNull(steps.Median, "null") +
           ", \"max\": " + OrNull(steps.Max, "null") + ", \"largest_at\": " + OrNull(steps.LargestAt, "null") +
           ", \"evenness\": " + OrNull(steps.Evenness, "null") +
           ", \"below_jnd\": " + std::to_string(steps.BelowJnd) + "}";
}

}  // namespace

std::string InspectionJson(const std::string& name, const TInspection& inspection) {
    const TLightnessSummary& lightness = inspection.Lightness;
    std::string json = "{\n";
    json += "  \"file\": " + JsonString(name) + ",\n";
    json += "  \"count\": " + std::to_string(inspection.Count) + ",\n";
    json += "  \"distinct\": " + std::to_string(inspection.Distinct) + ",\n";
    json += "  \"first\": \"" + Hex(inspection.First) + "\",\n";
    json += "  \"last\": \"" + Hex(inspection.Last) + "\",\n";
    json += "  \"lightness\": {\"min\": " + Fixed(lightness.Min) + ", \"max\": " + Fixed(lightness.Max) +
            ", \"monotonic\": \"" + std::string(MonotonyName(lightness.Monotony)) +
            "\", \"turns_at\": " + OrNull(lightness.TurnsAt, "null") + "},\n";
    json += "  \"jnd\": " + Fixed(kJustNoticeableDifference) + ",\n";
    json += "  \"steps\": {\n";
    for (std::size_t v = 0; v < kInspectedViews.size(); ++v) {
        json += "    \"" + std::string(VisionViewName(kInspectedViews[v])) + "\": " + JsonSteps(inspection.Steps[v]);
        json += v + 1 < kInspectedViews.size() ? ",\n" : "\n";
    }
    json += "  }\n}\n";
    return json;
}

int InspectMap(const TInspectRequest& request, TToolStreams& streams) {
    TPaletteArray colors;
    const TLoadOutcome outcome = LoadForTool(request.File, colors, streams);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    std::string report;
    try {
        const TInspection inspection = InspectColors(colors);
        report = request.Format == TInspectFormat::Json ? InspectionJson(ShownName(request.File), inspection)
                                                        : InspectionText(ShownName(request.File), inspection);
    } catch (const std::bad_alloc&) {
        streams.Err(request.File.Text + ": not enough memory to inspect " + std::to_string(colors.size()) +
                    " colours\n");
        return kExitTrouble;
    }
    streams.Out(report);
    return kExitOk;
}

}  // namespace rulv::tool
