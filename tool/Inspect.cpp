// Inspect.cpp - lightness and neighbour steps of a colour map, as text,
// JSON or CSV.
#include "tool/Inspect.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>

#include "tool/OutputFile.h"
#include "tool/Plot.h"

namespace rulv::tool {

namespace {

constexpr int kDecimals = 4;
constexpr std::size_t kViewCount = kInspectedViews.size();

// --- measuring every colour -----------------------------------------------------

// The colour as each inspected view shows it.
struct TViewedColor {
    std::array<TLab, kViewCount> Labs;
};

TViewedColor ViewColor(TPackedColor color) noexcept {
    TViewedColor viewed{};
    for (std::size_t v = 0; v < kViewCount; ++v) viewed.Labs[v] = LinearToLab(SimulateLinear(color, kInspectedViews[v]));
    return viewed;
}

// The views of the colours met last, so that a colour that comes back is
// converted only once: real maps hold a few hundred colours, however long.
// Direct-mapped by a hash of the colour; what it gives is the same as a
// conversion, so it changes no figure.
class TViewMemo {
public:
    explicit TViewMemo(std::size_t colorCount)
        : FBits(std::clamp(static_cast<int>(std::bit_width(colorCount)), 4, 12)),
          FKeys(std::size_t{1} << FBits, kNoColor),
          FViews(std::size_t{1} << FBits) {}

    const TViewedColor& Get(TPackedColor color) noexcept {
        const std::size_t slot = (static_cast<std::uint32_t>(color) * 2654435761u) >> (32 - FBits);
        if (FKeys[slot] != color) {
            FKeys[slot] = color;
            FViews[slot] = ViewColor(color);
        }
        return FViews[slot];
    }

private:
    static constexpr TPackedColor kNoColor = -1;  // packed colours are never negative
    int FBits;
    std::vector<TPackedColor> FKeys;
    std::vector<TViewedColor> FViews;
};

// L* of colours [begin, end) and the steps that arrive at them. Every
// figure depends on its own colours only, so ranges can be measured apart.
void MeasureRange(const TPaletteArray& colors, std::size_t begin, std::size_t end, TViewMemo& memo,
                  TInspection& inspection) noexcept {
    TViewedColor previous = begin > 0 ? memo.Get(colors[begin - 1]) : TViewedColor{};
    for (std::size_t i = begin; i < end; ++i) {
        if (i > 0 && colors[i] == colors[i - 1]) {
            inspection.LightnessValues[i] = previous.Labs[0].L;
            for (std::size_t v = 0; v < kViewCount; ++v) inspection.StepValues[v][i - 1] = 0;
            continue;
        }
        const TViewedColor& current = memo.Get(colors[i]);
        inspection.LightnessValues[i] = current.Labs[0].L;
        if (i > 0) {
            for (std::size_t v = 0; v < kViewCount; ++v) {
                inspection.StepValues[v][i - 1] = DeltaE2000(previous.Labs[v], current.Labs[v]);
            }
        }
        previous = current;
    }
}

// Below this many colours per thread, starting one costs more than it saves.
constexpr std::size_t kColorsPerThread = std::size_t{1} << 15;

unsigned ThreadsFor(std::size_t work, unsigned most) {
    if (most == 0) most = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::clamp<std::size_t>(work / kColorsPerThread, 1, most));
}

// Runs task(k, t) for every k in [0, count) on `threads` threads, the
// caller's included: thread t takes k = t, t + threads, ... A thread that
// cannot be started leaves its share to the caller. Each task writes only
// its own results, so they do not depend on the number of threads. The
// first error a task raises is raised again once all have ended.
template <class TTask>
void RunShared(std::size_t count, unsigned threads, const TTask& task) {
    std::vector<std::exception_ptr> errors(threads);
    const auto share = [&](unsigned t) noexcept {
        try {
            for (std::size_t k = t; k < count; k += threads) task(k, t);
        } catch (...) {
            errors[t] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        std::vector<unsigned> leftOver;
        helpers.reserve(threads);
        leftOver.reserve(threads);
        for (unsigned t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back(share, t);
            } catch (const std::system_error&) {
                leftOver.push_back(t);
            }
        }
        share(0);
        for (const unsigned t : leftOver) share(t);
    }  // the helpers are joined here
    for (const std::exception_ptr& error : errors) {
        if (error) std::rethrow_exception(error);
    }
}

// --- summaries --------------------------------------------------------------------

// `scratch` is room for as many values as there are steps.
TStepSummary SummariseSteps(const TValues& steps, TValues& scratch) {
    TStepSummary summary;
    if (steps.empty()) return summary;
    double sum = 0;
    std::size_t largest = 0;
    std::size_t smallest = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        sum += steps[i];
        if (steps[i] > steps[largest]) largest = i;
        if (steps[i] < steps[smallest]) smallest = i;
        if (steps[i] < kJustNoticeableDifference) ++summary.BelowJnd;
    }
    const auto count = static_cast<double>(steps.size());
    const double mean = sum / count;
    double squares = 0;
    for (const double step : steps) squares += (step - mean) * (step - mean);
    if (mean > 0) summary.Evenness = std::sqrt(squares / count) / mean;
    summary.Min = steps[smallest];
    summary.Max = steps[largest];
    summary.LargestAt = largest + 1;  // step i arrives at colour i

    // The middle one, or the mean of the middle two, without sorting all.
    std::copy(steps.begin(), steps.end(), scratch.begin());
    const std::size_t middle = steps.size() / 2;
    const auto middleAt = scratch.begin() + static_cast<std::ptrdiff_t>(middle);
    std::nth_element(scratch.begin(), middleAt, scratch.end());
    summary.Median = steps.size() % 2 == 1 ? *middleAt : (*std::max_element(scratch.begin(), middleAt) + *middleAt) / 2;
    return summary;
}

TLightnessSummary SummariseLightness(const TValues& values, double tolerance) {
    TLightnessSummary summary;
    summary.Tolerance = tolerance;
    const auto [min, max] = std::minmax_element(values.begin(), values.end());
    summary.Min = *min;
    summary.Max = *max;
    const std::size_t last = values.size() - 1;
    const TWayCheck rising = CheckLightnessWay(values, 0, last, true, tolerance, false);
    const TWayCheck falling = CheckLightnessWay(values, 0, last, false, tolerance, false);
    if (rising.Turns.empty() && falling.Turns.empty()) {
        summary.Monotony = TMonotony::Constant;
        summary.LargestFall = rising.LargestFall;
    } else if (rising.Turns.empty()) {
        summary.Monotony = TMonotony::Rising;
        summary.LargestFall = rising.LargestFall;
    } else if (falling.Turns.empty()) {
        summary.Monotony = TMonotony::Falling;
        summary.LargestFall = falling.LargestFall;
        summary.FallsBack = false;
    } else {
        // The way it went first is the one whose check fails later.
        summary.FallsBack = falling.Turns.front().At < rising.Turns.front().At;
        summary.Monotony = TMonotony::Not;
        summary.TurnsAt = std::max(falling.Turns.front().At, rising.Turns.front().At);
        summary.LargestFall = summary.FallsBack ? rising.LargestFall : falling.LargestFall;
    }
    return summary;
}

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

// --- number and name texts ---------------------------------------------------------

// Appends the value with `decimals` decimals and a full stop in every
// locale: to_chars knows no locale, and both builds share its
// implementation. Every value shown is 0 or more (L*, ΔE00 and their
// ratios), so there is no -0.0000.
void AppendFixed(std::string& text, double value, int decimals = kDecimals) {
    // A million colours give five million figures: the common case, four
    // decimals of a value below a million, goes through an integer. The
    // product is within 2e-6 of value * 10^4, so only a fraction near a
    // half could round the other way: those go to to_chars as well.
    if (decimals == kDecimals && value >= 0 && value < 1e6) {
        const double scaled = value * 1e4;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > 1e-3) {
            const auto units = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
            char digits[24];
            char* start = std::to_chars(digits, digits + sizeof(digits), units / 10000).ptr;
            *start++ = '.';
            const auto decimalsPart = static_cast<unsigned>(units % 10000);
            for (unsigned power = 1000; power > 0; power /= 10) {
                *start++ = static_cast<char>('0' + decimalsPart / power % 10);
            }
            text.append(digits, start);
            return;
        }
    }
    char digits[64];
    const auto [end, error] = std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, decimals);
    if (error != std::errc()) {
        text += "nan";  // beyond 1e58: no colour difference gets there
        return;
    }
    text.append(digits, end);
}

template <typename T>
std::string OrNull(const std::optional<T>& value, std::string_view missing) {
    if (!value) return std::string(missing);
    if constexpr (std::is_floating_point_v<T>) {
        return FixedText(*value);
    } else {
        return std::to_string(*value);
    }
}

// --- text ------------------------------------------------------------------------

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
    std::string text = lightness.Monotony == TMonotony::Not
                           ? "not monotonic, turns at " + std::to_string(*lightness.TurnsAt)
                           : std::string(MonotonyName(lightness.Monotony));
    text += lightness.FallsBack ? " (largest fall " : " (largest rise ";
    text += FixedText(lightness.LargestFall) + ", tolerance " + FixedText(lightness.Tolerance) + ")";
    return text;
}

// --- JSON --------------------------------------------------------------------------

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

void AppendJsonValues(std::string& json, const TValues& values) {
    json += "\"values\": [";
    json.reserve(json.size() + values.size() * 10 + 1);  // "12.3456, " and the bracket
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) json += ", ";
        AppendFixed(json, values[i]);
    }
    json += "]";
}

void AppendJsonSteps(std::string& json, const TStepSummary& steps, const TValues& values) {
    json += "{\"min\": " + OrNull(steps.Min, "null") + ", \"median\": " + OrNull(steps.Median, "null") +
            ", \"max\": " + OrNull(steps.Max, "null") + ", \"largest_at\": " + OrNull(steps.LargestAt, "null") +
            ", \"evenness\": " + OrNull(steps.Evenness, "null") +
            ", \"below_jnd\": " + std::to_string(steps.BelowJnd) + ", ";
    AppendJsonValues(json, values);
    json += "}";
}

}  // namespace

std::string_view MonotonyName(TMonotony monotony) {
    switch (monotony) {
        case TMonotony::Rising: return "rising";
        case TMonotony::Falling: return "falling";
        case TMonotony::Constant: return "constant";
        case TMonotony::Not: return "not";
    }
    return "not";
}

TWayCheck CheckLightnessWay(const TValues& lightness, std::size_t first, std::size_t last, bool rising,
                            double tolerance, bool allTurns) {
    TWayCheck check;
    double extreme = lightness[first];  // the highest L* so far; the lowest for a falling way
    bool inTurn = false;
    bool following = false;  // the turn under way is being recorded
    for (std::size_t i = first + 1; i <= last; ++i) {
        const double value = lightness[i];
        const double back = rising ? extreme - value : value - extreme;
        if (back <= 0) {
            extreme = value;
            inTurn = false;
            continue;
        }
        check.LargestFall = std::max(check.LargestFall, back);
        if (back <= tolerance) {
            inTurn = false;
            continue;
        }
        if (!inTurn) {
            inTurn = true;
            following = allTurns || check.Turns.empty();
            if (following) check.Turns.push_back({i, extreme, value});
        } else if (following && (rising ? value < check.Turns.back().To : value > check.Turns.back().To)) {
            check.Turns.back().To = value;
        }
    }
    return check;
}

TInspection InspectColors(const TPaletteArray& colors, double lightnessTolerance, unsigned threads) {
    TInspection inspection;
    const std::size_t count = colors.size();
    inspection.Count = count;
    inspection.First = colors.front();
    inspection.Last = colors.back();
    inspection.LightnessValues.resize(count);
    for (TValues& steps : inspection.StepValues) steps.resize(count - 1);

    // Ranges of colours, one per thread, measured side by side.
    threads = ThreadsFor(count, threads);
    std::vector<TViewMemo> memos;
    memos.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) memos.emplace_back(count);
    RunShared(threads, threads, [&](std::size_t k, unsigned t) {
        MeasureRange(colors, count * k / threads, count * (k + 1) / threads, memos[t], inspection);
    });
    memos.clear();

    // The views' summaries, the lightness and the distinct colours side by
    // side as well: the last task is the longest for random colours.
    const unsigned summaryThreads = std::min<unsigned>(threads, kViewCount);
    std::vector<TValues> scratch(summaryThreads);
    for (TValues& room : scratch) room.resize(count - 1);
    RunShared(kViewCount + 1, summaryThreads, [&](std::size_t k, unsigned t) {
        if (k < kViewCount) {
            inspection.Steps[k] = SummariseSteps(inspection.StepValues[k], scratch[t]);
        } else {
            inspection.Lightness = SummariseLightness(inspection.LightnessValues, lightnessTolerance);
            inspection.Distinct = DistinctColors(colors);
        }
    });
    return inspection;
}

std::string FixedText(double value, int decimals) {
    std::string text;
    AppendFixed(text, value, decimals);
    return text;
}

bool ParseDecimal(std::string_view text, double& value) {
    const auto digits = std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const auto stops = std::count(text.begin(), text.end(), '.');
    if (digits == 0 || stops > 1 || static_cast<std::size_t>(digits + stops) != text.size()) return false;
    if (text.back() == '.') return false;
    double parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

std::string InspectionText(const std::string& name, const TInspection& inspection) {
    std::string text;
    text += Field("file", name);
    text += Field("colours", std::to_string(inspection.Count));
    text += Field("distinct", std::to_string(inspection.Distinct));
    text += Field("first", HexColorText(inspection.First));
    text += Field("last", HexColorText(inspection.Last));
    text += Field("L* min", FixedText(inspection.Lightness.Min));
    text += Field("L* max", FixedText(inspection.Lightness.Max));
    text += Field("lightness", LightnessText(inspection.Lightness));
    text += "\nsteps between neighbours, CIEDE2000; below " + FixedText(kJustNoticeableDifference) +
            " they cannot be told apart\n";
    constexpr std::size_t kWidth = 10;
    text += PadRight("view", 6) + PadLeft("min", kWidth) + PadLeft("median", kWidth) + PadLeft("max", kWidth) +
            PadLeft("largest at", kWidth + 2) + PadLeft("evenness", kWidth) + PadLeft("below jnd", kWidth + 1) + "\n";
    for (std::size_t v = 0; v < kViewCount; ++v) {
        const TStepSummary& steps = inspection.Steps[v];
        text += PadRight(std::string(VisionViewName(kInspectedViews[v])), 6) + PadLeft(OrNull(steps.Min, "-"), kWidth) +
                PadLeft(OrNull(steps.Median, "-"), kWidth) + PadLeft(OrNull(steps.Max, "-"), kWidth) +
                PadLeft(OrNull(steps.LargestAt, "-"), kWidth + 2) + PadLeft(OrNull(steps.Evenness, "-"), kWidth) +
                PadLeft(std::to_string(steps.BelowJnd), kWidth + 1) + "\n";
    }
    return text;
}

std::string InspectionJson(const std::string& name, const TInspection& inspection) {
    const TLightnessSummary& lightness = inspection.Lightness;
    std::string json;
    // Every value takes at most 10 characters with its separator.
    json.reserve(1024 + (kViewCount + 1) * inspection.Count * 10);
    json += "{\n";
    json += "  \"file\": " + JsonString(name) + ",\n";
    json += "  \"count\": " + std::to_string(inspection.Count) + ",\n";
    json += "  \"distinct\": " + std::to_string(inspection.Distinct) + ",\n";
    json += "  \"first\": \"" + HexColorText(inspection.First) + "\",\n";
    json += "  \"last\": \"" + HexColorText(inspection.Last) + "\",\n";
    json += "  \"lightness\": {\"min\": " + FixedText(lightness.Min) + ", \"max\": " + FixedText(lightness.Max) +
            ", \"monotonic\": \"" + std::string(MonotonyName(lightness.Monotony)) +
            "\", \"turns_at\": " + OrNull(lightness.TurnsAt, "null") +
            ", \"largest_fall\": " + FixedText(lightness.LargestFall) +
            ", \"tolerance\": " + FixedText(lightness.Tolerance) + ", ";
    AppendJsonValues(json, inspection.LightnessValues);
    json += "},\n";
    json += "  \"jnd\": " + FixedText(kJustNoticeableDifference) + ",\n";
    json += "  \"steps\": {\n";
    for (std::size_t v = 0; v < kViewCount; ++v) {
        json += "    \"" + std::string(VisionViewName(kInspectedViews[v])) + "\": ";
        AppendJsonSteps(json, inspection.Steps[v], inspection.StepValues[v]);
        json += v + 1 < kViewCount ? ",\n" : "\n";
    }
    json += "  }\n}\n";
    return json;
}

std::string InspectionCsv(const TPaletteArray& colors, const TInspection& inspection) {
    std::string csv = "index,hex,L*";
    for (const TVisionView view : kInspectedViews) {
        csv += ',';
        csv += VisionViewName(view);
    }
    csv += "\n";
    csv.reserve(csv.size() + inspection.Count * (20 + kViewCount * 10));
    for (std::size_t i = 0; i < inspection.Count; ++i) {
        char hex[kHexColorLength];
        WriteHexColor(colors[i], hex);
        csv += std::to_string(i);
        csv += ',';
        csv.append(hex, kHexColorLength);
        csv += ',';
        AppendFixed(csv, inspection.LightnessValues[i]);
        for (std::size_t v = 0; v < kViewCount; ++v) {
            csv += ',';
            if (i + 1 < inspection.Count) AppendFixed(csv, inspection.StepValues[v][i]);
        }
        csv += '\n';
    }
    return csv;
}

int InspectMap(const TInspectRequest& request, TToolStreams& streams) {
    TPaletteArray colors;
    const TLoadOutcome outcome = LoadForTool(request.File, colors, streams);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    const std::string name = ShownName(request.File);
    const bool plotTakesOutput = request.Plot != nullptr && request.Plot->Text == "-";
    std::string report;
    std::string picture;
    try {
        const TInspection inspection = InspectColors(colors, request.LightnessTolerance);
        if (request.Plot != nullptr) picture = PlotSvg(name, colors, inspection);
        if (!plotTakesOutput) {
            switch (request.Format) {
                case TInspectFormat::Text: report = InspectionText(name, inspection); break;
                case TInspectFormat::Json: report = InspectionJson(name, inspection); break;
                case TInspectFormat::Csv: report = InspectionCsv(colors, inspection); break;
            }
        }
    } catch (const std::bad_alloc&) {
        streams.Err(name + ": not enough memory to inspect " + std::to_string(colors.size()) +
                    " colours\n");
        return kExitTrouble;
    }
    if (request.Plot != nullptr) {
        if (const std::string failure = WriteOutputFile(*request.Plot, picture, streams); !failure.empty()) {
            // The picture as the user named it, never the temporary.
            streams.Err(request.Plot->Text + ": " + failure + "\n");
            return kExitTrouble;
        }
    }
    streams.Out(report);
    return kExitOk;
}

}  // namespace rulv::tool
