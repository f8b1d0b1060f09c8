// RunPolygon.cpp - clipping an exact convex polygon, and the tests on it.
#include "colormap/formats/RunPolygon.h"

#include <algorithm>
#include <cmath>

namespace rulv {

namespace {

// The starting box: |a| <= 2^45, |s| <= 1024. Every line through the
// bands of a run lies well inside it.
constexpr TInt128 kBoxA = TInt128{1} << 45;
constexpr TInt128 kBoxS = 1024;

int Sign(TInt128 value) noexcept { return value > 0 ? 1 : (value < 0 ? -1 : 0); }

// The sign of value + epsilon * part for an infinitesimal epsilon > 0.
int LexicalSign(TInt128 value, TInt128 part) noexcept { return value != 0 ? Sign(value) : Sign(part); }

double ToDouble(TInt128 value) noexcept { return static_cast<double>(value); }

}  // namespace

namespace {

// The box's edges, counter-clockwise in (a, s), each leaving its corner:
// s >= -1024, a <= 2^45, s <= 1024, a >= -2^45.
constexpr TInt128 kBoxLines[4][3] = {{0, -1, kBoxS}, {1, 0, kBoxA}, {0, 1, kBoxS}, {-1, 0, kBoxA}};

}  // namespace

std::vector<TRunPolygon::TLine> TRunPolygon::BoxEdges() {
    std::vector<TLine> edges;
    for (const auto& line : kBoxLines) edges.push_back(TLine{line[0], line[1], line[2], 0, {}});
    return edges;
}

std::vector<TRunPolygon::TVertex> TRunPolygon::BoxCorners() {
    const std::vector<TLine> edges = BoxEdges();
    // Corner k lies between edge k - 1 and edge k.
    return {Meet(edges[3], edges[0]), Meet(edges[0], edges[1]), Meet(edges[1], edges[2]), Meet(edges[2], edges[3])};
}

TRunPolygon::TRunPolygon(bool evenPins) : FEvenPins(evenPins), FVertices(BoxCorners()), FEdges(BoxEdges()) {}

TRunPolygon::TVertex TRunPolygon::Meet(const TLine& first, const TLine& second) {
    TInt128 det = first.Alpha * second.Beta - second.Alpha * first.Beta;
    TVertex vertex;
    vertex.A.Value = first.Gamma * second.Beta - second.Gamma * first.Beta;
    vertex.A.Epsilon = first.Shift * second.Beta - second.Shift * first.Beta;
    vertex.S = first.Alpha * second.Gamma - second.Alpha * first.Gamma;
    vertex.SEpsilon = first.Alpha * second.Shift - second.Alpha * first.Shift;
    if (det < 0) {
        det = -det;
        vertex.A.Value = -vertex.A.Value;
        vertex.A.Epsilon = -vertex.A.Epsilon;
        vertex.S = -vertex.S;
        vertex.SEpsilon = -vertex.SEpsilon;
    }
    vertex.A.Denominator = det;
    return vertex;
}

int TRunPolygon::Side(const TLine& line, const TVertex& vertex) noexcept {
    const TInt128 value = line.Alpha * vertex.A.Value + line.Beta * vertex.S - line.Gamma * vertex.A.Denominator;
    const TInt128 part = line.Alpha * vertex.A.Epsilon + line.Beta * vertex.SEpsilon - line.Shift * vertex.A.Denominator;
    return LexicalSign(value, part);
}

int TRunPolygon::PinSide(const TVertex& vertex, std::int64_t x, std::int64_t y) noexcept {
    const TInt128 value = vertex.A.Value + vertex.S * x - TInt128{y} * vertex.A.Denominator;
    const TInt128 part = vertex.A.Epsilon + vertex.SEpsilon * x;
    return LexicalSign(value, part);
}

void TRunPolygon::Clip(const TLine& line) {
    const std::size_t count = FVertices.size();
    if (count == 0) return;
    // The sides of the vertices; a polygon of a run has a handful.
    constexpr std::size_t kFew = 32;
    int fewSides[kFew];
    std::vector<int> manySides;
    int* sides = fewSides;
    if (count > kFew) {
        manySides.resize(count);
        sides = manySides.data();
    }
    bool anyOutside = false;
    bool anyInside = false;
    for (std::size_t k = 0; k < count; ++k) {
        sides[k] = Side(line, FVertices[k]);
        anyOutside = anyOutside || sides[k] > 0;
        anyInside = anyInside || sides[k] <= 0;
    }
    if (!anyOutside) return;
    if (!anyInside) {
        FVertices.clear();
        FEdges.clear();
        return;
    }
    std::vector<TVertex>& vertices = FNextVertices;
    std::vector<TLine>& edges = FNextEdges;
    vertices.clear();
    edges.clear();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t next = (k + 1) % count;
        const int here = sides[k];
        const int there = sides[next];
        const TLine& edge = FEdges[k];
        if (here <= 0) {
            vertices.push_back(FVertices[k]);
            // From a corner on the line towards the outside, the boundary
            // now runs along the line.
            edges.push_back(here == 0 && there > 0 ? line : edge);
            if (here < 0 && there > 0) {
                vertices.push_back(Meet(edge, line));
                edges.push_back(line);
            }
        } else if (there < 0) {
            vertices.push_back(Meet(edge, line));
            edges.push_back(edge);
        }
    }
    FVertices.swap(vertices);
    FEdges.swap(edges);
}

void TRunPolygon::Add(std::int64_t x, std::int64_t y, TBand band) {
    // Inside for pins of the same parity as y; otherwise an edge is
    // outside, and the band moves in by epsilon.
    const bool sameParity = ((y & 1) == 0) == FEvenPins;
    const TInt128 shift = sameParity ? 0 : -1;
    const TBandConstraint source{x, y, band};
    if (band == TBand::Lower) {
        // a + s x >= y - 1/2, that is -2a - 2x s <= 1 - 2y.
        Clip(TLine{-2, -2 * TInt128{x}, 1 - 2 * TInt128{y}, shift, source});
    } else {
        // a + s x <= y + 1/2, that is 2a + 2x s <= 2y + 1.
        Clip(TLine{2, 2 * TInt128{x}, 2 * TInt128{y} + 1, shift, source});
    }
}

bool TRunPolygon::PassesThrough(std::int64_t x, std::int64_t y) const {
    bool below = false;
    bool above = false;
    const TVertex* touching = nullptr;
    for (const TVertex& vertex : FVertices) {
        const int side = PinSide(vertex, x, y);
        below = below || side < 0;
        above = above || side > 0;
        if (side == 0) touching = &vertex;
    }
    // Through the inside: a whole interval of slopes.
    if (below && above) return true;
    if (touching == nullptr) return false;
    // Only through a corner. Where the corner moves with epsilon, an open
    // edge made it, and the lines through the pin still form an interval;
    // otherwise exactly one slope is left, and it must be a double.
    if (touching->SEpsilon != 0) return true;
    TInt128 numerator = touching->S;
    TInt128 denominator = touching->A.Denominator;
    while (denominator % 2 == 0 && numerator % 2 == 0) {
        numerator /= 2;
        denominator /= 2;
    }
    // What is left of the denominator must be 1 or a power of two.
    if (denominator % 2 != 0) return denominator == 1 || numerator % denominator == 0;
    while (denominator % 2 == 0) denominator /= 2;
    return denominator == 1;
}

std::optional<TRunPolygon::TRange> TRunPolygon::ValuesAt(std::int64_t x) const {
    if (FVertices.empty()) return std::nullopt;
    // Compared through PinSide against integers by the callers; here only
    // the extremes, found by comparing vertex against vertex exactly would
    // need more than 128 bits, so the range is reported from the doubles
    // of the vertices, and callers confirm integers with PassesThrough.
    TRange range;
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
    for (const TVertex& vertex : FVertices) {
        const double value = ToDouble(vertex.A.Value + vertex.S * x) / ToDouble(vertex.A.Denominator);
        if (value < low) {
            low = value;
            range.Low = {vertex.A.Value + vertex.S * x, vertex.A.Epsilon + vertex.SEpsilon * x, vertex.A.Denominator};
        }
        if (value > high) {
            high = value;
            range.High = {vertex.A.Value + vertex.S * x, vertex.A.Epsilon + vertex.SEpsilon * x, vertex.A.Denominator};
        }
    }
    return range;
}

TRunPolygon::TSlopes TRunPolygon::SlopesThrough(std::int64_t x, std::int64_t y) const {
    TSlopes slopes;
    slopes.Low = HUGE_VAL;
    slopes.High = -HUGE_VAL;
    std::vector<std::pair<double, TBandConstraint>> ends;
    const std::size_t count = FVertices.size();
    const auto note = [&](double slope, const TLine& edge) {
        if (edge.Source.Band != TBand::Box) ends.emplace_back(slope, edge.Source);
        slopes.Low = std::min(slopes.Low, slope);
        slopes.High = std::max(slopes.High, slope);
    };
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t next = (k + 1) % count;
        const int here = PinSide(FVertices[k], x, y);
        const int there = PinSide(FVertices[next], x, y);
        const TLine& edge = FEdges[k];
        if (here == 0) {
            const double slope = ToDouble(FVertices[k].S) / ToDouble(FVertices[k].A.Denominator);
            note(slope, edge);
            note(slope, FEdges[(k + count - 1) % count]);
        } else if (here * there < 0) {
            // On the edge's line with a = y - s x: s (Beta - Alpha x) = Gamma - Alpha y.
            const TInt128 numerator = edge.Gamma - edge.Alpha * y;
            const TInt128 denominator = edge.Beta - edge.Alpha * x;
            note(ToDouble(numerator) / ToDouble(denominator), edge);
        }
    }
    slopes.Exact = slopes.Low == slopes.High;
    // The constraints at the two ends of the interval decide.
    for (const auto& [slope, source] : ends) {
        if (slope == slopes.Low || slope == slopes.High) slopes.Binding.push_back(source);
    }
    return slopes;
}

}  // namespace rulv
