// Plot.cpp - the inspection as an SVG picture: strips, L* and steps.
#include "tool/Plot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "colormap/ColumnMapping.h"
#include "colormap/formats/XmlSubset.h"
#include "common/Unicode.h"

namespace rulv::tool {

namespace {

// --- layout, in SVG units ------------------------------------------------------

constexpr int kPlotRight = kPlotLeft + kPlotStripWidth;
constexpr int kStripTop = 58;
constexpr int kStripHeight = 20;
constexpr int kStripGap = 6;
constexpr int kStepsTop = 380;
constexpr int kStepsBottom = 526;
constexpr int kLegendBaseline = 588;
constexpr std::size_t kLongestName = 90;  // characters of the file name shown

constexpr TVisionView kStripViews[] = {TVisionView::Normal, TVisionView::Grey, TVisionView::Protan,
                                       TVisionView::Deutan, TVisionView::Tritan};

// One line per inspected view, told apart by more than its colour (the
// Okabe-Ito colours, which colour-blind readers tell apart, and dashes).
struct TLineStyle {
    const char* Color;
    const char* Dashes;  // empty: solid
};
constexpr TLineStyle kViewStyles[] = {
    {"#000000", ""},
    {"#D55E00", "7 3"},
    {"#0072B2", "2 2"},
    {"#009E73", "9 3 2 3"},
};
static_assert(std::size(kViewStyles) == kInspectedViews.size());

// --- text ------------------------------------------------------------------------

std::string Number(double value, int decimals = 2) { return FixedText(value, decimals); }

// Text for an SVG element or attribute: well-formed UTF-8, markup escaped,
// control characters replaced; at most `longest` characters, the start
// left out if there are more (the end of a path names the file).
std::string XmlText(std::string_view text, std::size_t longest = std::u16string::npos) {
    std::u16string wide = Utf8ToUtf16(text);  // invalid sequences become U+FFFD
    for (char16_t& c : wide) {
        if (c < 0x20) c = 0xFFFD;
    }
    if (wide.size() > longest) {
        std::size_t cut = wide.size() - (longest - 1);
        if (wide[cut] >= 0xDC00 && wide[cut] <= 0xDFFF) ++cut;  // not inside a surrogate pair
        wide.replace(0, cut, 1, u'\u2026');
    }
    return EscapeXmlAttribute(Utf16ToUtf8(wide));
}

// Appends the pieces one after the other (the markup is written piece by
// piece, never as sums of strings).
void Append(std::string& svg, std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) svg += piece;
}

// `extra`: further attributes, written as they are.
void Text(std::string& svg, double x, double y, std::string_view anchor, std::string_view content,
          std::string_view extra = {}) {
    Append(svg, {"<text x=\"", Number(x, 1), "\" y=\"", Number(y, 1), "\" text-anchor=\"", anchor, "\" ", extra, ">",
                 content, "</text>\n"});
}

// A straight line; `paint`: its stroke attributes.
void Line(std::string& svg, double x1, double y1, double x2, double y2, std::string_view paint) {
    Append(svg, {"<line x1=\"", Number(x1), "\" y1=\"", Number(y1), "\" x2=\"", Number(x2), "\" y2=\"", Number(y2),
                 "\" ", paint, "/>\n"});
}

// --- scales ----------------------------------------------------------------------

// The horizontal place of a position along the map: 0 is the left edge of
// the first stripe, `count` the right edge of the last.
double XOf(double position, std::size_t count) {
    return kPlotLeft + position * kPlotStripWidth / static_cast<double>(count);
}

// A vertical scale from `low` (at the bottom) to `high` (at the top).
struct TScale {
    double Low;
    double High;
    int Top;
    int Bottom;
    double YOf(double value) const { return Bottom - (value - Low) * (Bottom - Top) / (High - Low); }
};

// A round tick distance (1, 2 or 5 times a power of ten) that gives about
// `ticks` ticks over `range`.
double TickStep(double range, int ticks) {
    const double raw = range / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) return factor * power;
    }
    return 10 * power;
}

// The decimals a tick label needs at this tick distance.
int TickDecimals(double step) { return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step))); }

// Index ticks: whole indices at round distances, the first and the last
// always among them.
std::vector<std::size_t> IndexTicks(std::size_t count) {
    std::vector<std::size_t> ticks{0};
    if (count <= 1) return ticks;
    const double step = std::max(1.0, TickStep(static_cast<double>(count - 1), 8));
    for (double tick = step; tick < static_cast<double>(count - 1) - step / 2; tick += step) {
        ticks.push_back(static_cast<std::size_t>(tick));
    }
    ticks.push_back(count - 1);
    return ticks;
}

// --- pieces of the picture ------------------------------------------------------

std::string SummaryLine(const TInspection& inspection) {
    const TLightnessSummary& lightness = inspection.Lightness;
    std::string line;
    Append(line, {std::to_string(inspection.Count), " colours, L* ", Number(lightness.Min), " to ",
                  Number(lightness.Max), ", "});
    if (lightness.Monotony == TMonotony::Not) {
        Append(line, {"turns at ", std::to_string(*lightness.TurnsAt)});
    } else {
        line += MonotonyName(lightness.Monotony);
    }
    line += "; median step";
    for (std::size_t v = 0; v < kInspectedViews.size(); ++v) {
        // "median step 1.08, protan 0.84, ...": the normal view unnamed.
        if (v > 0) Append(line, {", ", VisionViewName(kInspectedViews[v])});
        const std::optional<double>& median = inspection.Steps[v].Median;
        Append(line, {" ", median ? Number(*median) : "-"});
    }
    return line;
}

// One strip: runs of equal columns as rectangles.
void Strip(std::string& svg, const std::vector<TPackedColor>& columns, TVisionView view, int top) {
    Append(svg, {"<g id=\"strip-", VisionViewName(view), "\" shape-rendering=\"crispEdges\">\n"});
    std::size_t start = 0;
    for (std::size_t x = 1; x <= columns.size(); ++x) {
        if (x < columns.size() && SimulateView(columns[x], view) == SimulateView(columns[start], view)) continue;
        Append(svg, {"<rect x=\"", std::to_string(kPlotLeft + start), "\" y=\"", std::to_string(top), "\" width=\"",
                     std::to_string(x - start), "\" height=\"", std::to_string(kStripHeight), "\" fill=\"#",
                     HexColorText(SimulateView(columns[start], view)), "\"/>\n"});
        start = x;
    }
    svg += "</g>\n";
    Text(svg, kPlotLeft - 8, top + kStripHeight / 2.0 + 4, "end", VisionViewName(view));
}

// The points of a line through `values`, value k at horizontal position
// `offset` + k; more values than columns are reduced to the lowest and the
// highest of each column, in the order they come.
std::string LinePoints(const TValues& values, double offset, std::size_t count, const TScale& scale) {
    std::string points;
    const auto add = [&](double position, double value) {
        Append(points, {Number(XOf(position, count)), ",", Number(scale.YOf(value)), " "});
    };
    const std::size_t columns = kPlotStripWidth;
    if (values.size() <= 2 * columns) {
        for (std::size_t k = 0; k < values.size(); ++k) add(offset + static_cast<double>(k), values[k]);
        return points;
    }
    for (std::size_t column = 0; column < columns; ++column) {
        const std::size_t begin = values.size() * column / columns;
        const std::size_t end = values.size() * (column + 1) / columns;
        const auto [low, high] = std::minmax_element(values.begin() + static_cast<std::ptrdiff_t>(begin),
                                                     values.begin() + static_cast<std::ptrdiff_t>(end));
        const auto first = std::min(low, high);
        const auto second = std::max(low, high);
        add(offset + static_cast<double>(first - values.begin()), *first);
        add(offset + static_cast<double>(second - values.begin()), *second);
    }
    return points;
}

void Polyline(std::string& svg, const std::string& points, const TLineStyle& style, double width) {
    Append(svg, {"<polyline fill=\"none\" stroke=\"", style.Color, "\" stroke-width=\"", Number(width, 1),
                 "\" stroke-linejoin=\"round\""});
    if (*style.Dashes != '\0') Append(svg, {" stroke-dasharray=\"", style.Dashes, "\""});
    Append(svg, {" points=\"", points, "\"/>\n"});
}

// The frame of a chart, its value ticks with grid lines, and the index
// ticks below it.
void Axes(std::string& svg, const TScale& scale, double tickStep, std::size_t count, const std::string& title) {
    Text(svg, kPlotLeft, scale.Top - 8, "start", title, "font-weight=\"bold\"");
    const int decimals = TickDecimals(tickStep);
    for (double tick = scale.Low; tick <= scale.High + tickStep / 1000; tick += tickStep) {
        const double y = scale.YOf(tick);
        Line(svg, kPlotLeft, y, kPlotRight, y, "stroke=\"#DDDDDD\"");
        Text(svg, kPlotLeft - 6, y + 4, "end", Number(tick, decimals));
    }
    Append(svg, {"<rect x=\"", std::to_string(kPlotLeft), "\" y=\"", std::to_string(scale.Top), "\" width=\"",
                 std::to_string(kPlotStripWidth), "\" height=\"", std::to_string(scale.Bottom - scale.Top),
                 "\" fill=\"none\" stroke=\"#555555\"/>\n"});
    for (const std::size_t tick : IndexTicks(count)) {
        const double x = XOf(static_cast<double>(tick) + 0.5, count);
        Line(svg, x, scale.Bottom, x, scale.Bottom + 4, "stroke=\"#555555\"");
        Text(svg, x, scale.Bottom + 15, "middle", std::to_string(tick));
    }
}

void LightnessChart(std::string& svg, const TInspection& inspection) {
    const TScale scale{0, 100, kPlotLightnessTop, kPlotLightnessBottom};
    const TLightnessSummary& lightness = inspection.Lightness;
    std::string title = "CIE L* of each colour: ";
    Append(title, {lightness.Monotony == TMonotony::Not ? "not monotonic" : MonotonyName(lightness.Monotony),
                   lightness.FallsBack ? " (largest fall " : " (largest rise ", Number(lightness.LargestFall),
                   ", tolerance ", Number(lightness.Tolerance), ")"});
    Axes(svg, scale, 25, inspection.Count, title);
    if (lightness.TurnsAt) {
        const double x = XOf(static_cast<double>(*lightness.TurnsAt) + 0.5, inspection.Count);
        Line(svg, x, scale.Top, x, scale.Bottom, "stroke=\"#CC0000\" stroke-dasharray=\"4 3\"");
        // Low in the chart, on a white outline, where the line seldom is.
        std::string label = "turns at ";
        label += std::to_string(*lightness.TurnsAt);
        Text(svg, x + 4, scale.Bottom - 6, "start", label,
             "fill=\"#CC0000\" stroke=\"#FFFFFF\" stroke-width=\"3\" paint-order=\"stroke\"");
    }
    Polyline(svg, LinePoints(inspection.LightnessValues, 0.5, inspection.Count, scale), {"#333333", ""}, 1.6);
}

void StepsChart(std::string& svg, const TInspection& inspection) {
    double largest = kJustNoticeableDifference;
    for (const TStepSummary& steps : inspection.Steps) largest = std::max(largest, steps.Max.value_or(0));
    const double tickStep = TickStep(largest, 5);
    const TScale scale{0, tickStep * std::ceil(largest / tickStep), kStepsTop, kStepsBottom};
    Axes(svg, scale, tickStep, inspection.Count, "CIEDE2000 step to each colour from the one before, in each view");
    Text(svg, kPlotLeft + kPlotStripWidth / 2.0, kStepsBottom + 30, "middle", "colour index");
    const double jnd = scale.YOf(kJustNoticeableDifference);
    Line(svg, kPlotLeft, jnd, kPlotRight, jnd, "stroke=\"#888888\" stroke-dasharray=\"1 3\"");
    // The normal view last, on top.
    for (std::size_t v = kInspectedViews.size(); v-- > 0;) {
        Polyline(svg, LinePoints(inspection.StepValues[v], 1, inspection.Count, scale), kViewStyles[v],
                 v == 0 ? 1.6 : 1.3);
    }
}

void Legend(std::string& svg) {
    constexpr double kEntryWidth = 120;
    double x = kPlotLeft;
    for (std::size_t v = 0; v < kInspectedViews.size(); ++v) {
        std::string sample;
        Append(sample, {Number(x), ",", Number(kLegendBaseline - 4), " ", Number(x + 32), ",", Number(kLegendBaseline - 4)});
        Polyline(svg, sample, kViewStyles[v], 2);
        Text(svg, x + 38, kLegendBaseline, "start", VisionViewName(kInspectedViews[v]));
        x += kEntryWidth;
    }
    Line(svg, x, kLegendBaseline - 4, x + 32, kLegendBaseline - 4,
         "stroke=\"#888888\" stroke-width=\"2\" stroke-dasharray=\"1 3\"");
    Text(svg, x + 38, kLegendBaseline, "start", "just-noticeable difference (1.0)");
}

}  // namespace

std::string PlotSvg(const std::string& name, const TPaletteArray& colors, const TInspection& inspection) {
    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string width = std::to_string(kPlotWidth);
    const std::string height = std::to_string(kPlotHeight);
    Append(svg, {"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", width, "\" height=\"", height,
                 "\" viewBox=\"0 0 ", width, " ", height,
                 "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"11\">\n"});
    Append(svg, {"<title>", XmlText(name), "</title>\n"});
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
    Text(svg, 16, 24, "start", XmlText(name, kLongestName), "font-size=\"15\" font-weight=\"bold\"");
    Text(svg, 16, 42, "start", XmlText(SummaryLine(inspection)));

    const std::vector<TPackedColor> columns = StripColumnColors(colors, kPlotStripWidth);
    int top = kStripTop;
    for (const TVisionView view : kStripViews) {
        Strip(svg, columns, view, top);
        top += kStripHeight + kStripGap;
    }
    LightnessChart(svg, inspection);
    StepsChart(svg, inspection);
    Legend(svg);
    svg += "</svg>\n";
    return svg;
}

}  // namespace rulv::tool
