// RunPolygon.h - the lines y = a + s * x that pass one colour channel's
// points within their rounding bands, as an exact convex polygon in the
// plane of (a, s).
//
// The #LINE writer (RunFinder.h) asks which runs of colours one #LINE can
// write. A channel of a #LINE run is y(k) = start + round(k * slope), the
// rounding to nearest with ties to even; so a point (x, Y) of a channel,
// relative to a pinned start (xp, Yp), asks round((x - xp) * s) = Y - Yp:
//
//   Y - 1/2 <= a + s * x <= Y + 1/2   (the lower and the upper band)
//
// where a tie at a band's edge counts as inside exactly when Y - Yp is
// even. Whether an edge is inside so depends on the parity of the pin: the
// polygon is kept for pins of one parity (EvenPins or not), with every
// edge that is inside for them closed and every other one moved inwards by
// an infinitesimal epsilon. Then a pin of that parity has a line through
// it exactly when its line {a + xp * s = Yp} meets the closed polygon, and
// every test is an exact comparison of numbers of the form u + v * epsilon
// (lexicographically) in 128-bit integers.
//
// Magnitudes: |x| < 2^33 and |Y| < 2^41 relative to an origin the caller
// picks; slopes lie within +-1024.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace rulv {

using TInt128 = __int128;

// u + v * epsilon over a positive common denominator.
struct TEpsilonRational {
    TInt128 Value = 0;
    TInt128 Epsilon = 0;
    TInt128 Denominator = 1;
};

enum class TBand : std::uint8_t { Lower, Upper, Box };

// The constraint that made an edge: a band of the point (X, Y), or one of
// the four sides of the starting box.
struct TBandConstraint {
    std::int64_t X = 0;
    std::int64_t Y = 0;
    TBand Band = TBand::Box;
};

class TRunPolygon {
public:
    explicit TRunPolygon(bool evenPins);

    // Adds the band of (x, y); `band` is Lower or Upper.
    void Add(std::int64_t x, std::int64_t y, TBand band);
    // Both bands of (x, y).
    void AddPoint(std::int64_t x, std::int64_t y) {
        Add(x, y, TBand::Lower);
        Add(x, y, TBand::Upper);
    }

    bool Empty() const noexcept { return FVertices.empty(); }

    // Whether a line through (x, y) lies in the polygon with a slope that
    // is a double (where only one slope is left, it must be one); y has
    // the parity the polygon is kept for.
    bool PassesThrough(std::int64_t x, std::int64_t y) const;

    // The least and the greatest a + s * x over the polygon, or nothing
    // when it is empty.
    struct TRange {
        TEpsilonRational Low;
        TEpsilonRational High;
    };
    std::optional<TRange> ValuesAt(std::int64_t x) const;

    // Through (x, y) (PassesThrough true): the interval of slopes as
    // doubles (approximate, epsilon dropped) and the constraints at its
    // ends, whose exact test decides for a chosen slope.
    struct TSlopes {
        double Low = 0;
        double High = 0;
        std::vector<TBandConstraint> Binding;
        // Only one slope is left (Low == High, a double): the polygon
        // has shrunk to the corner the pin touches, and its edges no
        // longer name every band that meets there.
        bool Exact = false;
    };
    TSlopes SlopesThrough(std::int64_t x, std::int64_t y) const;

private:
    // a * Alpha + s * Beta <= Gamma + Shift * epsilon.
    struct TLine {
        TInt128 Alpha;
        TInt128 Beta;
        TInt128 Gamma;
        TInt128 Shift;
        TBandConstraint Source;
    };
    struct TVertex {
        TEpsilonRational A;  // a, and s over the same denominator
        TInt128 S = 0;
        TInt128 SEpsilon = 0;
    };

    static TVertex Meet(const TLine& first, const TLine& second);
    static std::vector<TLine> BoxEdges();
    static std::vector<TVertex> BoxCorners();
    // The sign of a * Alpha + s * Beta - Gamma - Shift * epsilon at the vertex.
    static int Side(const TLine& line, const TVertex& vertex) noexcept;
    // The sign of a + s * x - y at the vertex.
    static int PinSide(const TVertex& vertex, std::int64_t x, std::int64_t y) noexcept;
    void Clip(const TLine& line);

    bool FEvenPins;
    // Vertex k lies between edge k - 1 and edge k; edge k runs from vertex
    // k to vertex k + 1 (cyclically).
    std::vector<TVertex> FVertices;
    std::vector<TLine> FEdges;
    // Room for the next polygon while clipping, kept between clips.
    std::vector<TVertex> FNextVertices;
    std::vector<TLine> FNextEdges;
};

}  // namespace rulv
