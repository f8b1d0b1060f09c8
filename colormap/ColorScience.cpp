// ColorScience.cpp - sRGB, CIE L*a*b*, CIEDE2000 and the colour-vision
// deficiency matrices; the sources are named in the header.
#include "colormap/ColorScience.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace rulv {

namespace {

using TMatrix = std::array<std::array<double, 3>, 3>;

// IEC 61966-2-1: linear sRGB to CIE XYZ.
constexpr TMatrix kRgbToXyz{{
    {0.4124, 0.3576, 0.1805},
    {0.2126, 0.7152, 0.0722},
    {0.0193, 0.1192, 0.9505},
}};

// D65 as the matrix gives it for white, summed in the order XyzOf sums.
constexpr double RowSum(int row) { return kRgbToXyz[row][0] * 1.0 + kRgbToXyz[row][1] * 1.0 + kRgbToXyz[row][2] * 1.0; }
constexpr double kWhiteX = RowSum(0);
constexpr double kWhiteY = RowSum(1);
constexpr double kWhiteZ = RowSum(2);

// Machado, Oliveira and Fernandes (2009), severity 1.0, on linear RGB.
constexpr TMatrix kProtanopia{{
    {0.152286, 1.052583, -0.204868},
    {0.114503, 0.786281, 0.099216},
    {-0.003882, -0.048116, 1.051998},
}};
constexpr TMatrix kDeuteranopia{{
    {0.367322, 0.860646, -0.227968},
    {0.280085, 0.672501, 0.047413},
    {-0.011820, 0.042940, 0.968881},
}};
constexpr TMatrix kTritanopia{{
    {1.255528, -0.076749, -0.178779},
    {-0.078411, 0.930809, 0.147602},
    {0.004733, 0.691367, 0.303900},
}};

// CIE 15:2004: the junction of the cube root and the straight line, and
// the slope of L* below it.
constexpr double kEpsilon = 216.0 / 24389.0;  // (6/29)^3
constexpr double kKappa = 24389.0 / 27.0;     // (29/3)^3

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 180.0 / kPi;
constexpr double kTwentyFiveToTheSeventh = 6103515625.0;  // 25^7, exact in a double

TLinearRgb LinearOf(TPackedColor color) noexcept {
    return {SrgbToLinear(RedOf(color)), SrgbToLinear(GreenOf(color)), SrgbToLinear(BlueOf(color))};
}

TLinearRgb Apply(const TMatrix& matrix, const TLinearRgb& rgb) noexcept {
    TLinearRgb result{};
    for (std::size_t row = 0; row < 3; ++row) {
        result[row] = matrix[row][0] * rgb[0] + matrix[row][1] * rgb[1] + matrix[row][2] * rgb[2];
    }
    return result;
}

// A deficiency's matrix on the linear channels, each result clipped to 0..1.
TLinearRgb ApplyClipped(const TMatrix& matrix, const TLinearRgb& rgb) noexcept {
    TLinearRgb result = Apply(matrix, rgb);
    for (double& channel : result) channel = std::clamp(channel, 0.0, 1.0);
    return result;
}

TPackedColor PackLinear(const TLinearRgb& rgb) noexcept {
    return PackColor(LinearToSrgb(rgb[0]), LinearToSrgb(rgb[1]), LinearToSrgb(rgb[2]));
}

// The cube root of x > kEpsilon, within one unit in the last place (as
// close as the C libraries' cbrt, which differ from each other in the last
// bit), the same in both builds, and a few times faster. A first guess from
// the exponent divided by 3 (within 4 %), two Halley steps (each cubes the
// error: 1e-4, then 1e-12) and a last Newton step.
double CubeRoot(double x) noexcept {
    // Far outside the range of colours, the guess or the cube would leave
    // the range of doubles.
    if (!(x < 0x1p300)) return std::cbrt(x);
    double y = std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) / 3 + 0x2A9F7893782DA1CEu);
    for (int step = 0; step < 2; ++step) {
        const double cube = y * y * y;
        y *= (cube + 2 * x) / (2 * cube + x);
    }
    return y - (y * y * y - x) / (3 * y * y);
}

double LabF(double t) noexcept { return t > kEpsilon ? CubeRoot(t) : t * (841.0 / 108.0) + 4.0 / 29.0; }

double Square(double x) noexcept { return x * x; }

// Not std::hypot: its last bit differs between C libraries, while a square
// root is exact everywhere, and no chroma comes near overflow.
double Magnitude(double a, double b) noexcept { return std::sqrt(a * a + b * b); }

double SeventhPower(double x) noexcept {
    const double cube = x * x * x;
    return cube * cube * x;
}

double Radians(double degrees) noexcept { return degrees / kDegreesPerRadian; }

// The hue angle h' in degrees, 0 <= h' < 360; 0 for a neutral (Sharma eq. 4).
double HueDegrees(double b, double aPrime) noexcept {
    if (b == 0 && aPrime == 0) return 0;
    const double hue = std::atan2(b, aPrime) * kDegreesPerRadian;
    return hue < 0 ? hue + 360 : hue;
}

// What CIEDE2000 needs of the two hue angles h1' and h2': sin(Δh'/2) (eq.
// 10, 11), the mean hue h̄' (eq. 14) as a direction and, where known, in
// degrees (NaN otherwise), and the four cosines of T (eq. 15):
// cos(h̄' - 30°), cos(2h̄'), cos(3h̄' + 6°), cos(4h̄' - 63°).
struct THueTerms {
    double SinHalfDelta;
    double MeanCosine;
    double MeanSine;
    double MeanDegrees;
    std::array<double, 4> Cosines;
};

constexpr double kNoDegrees = std::numeric_limits<double>::quiet_NaN();

// cos 30°, cos 6°, sin 6°, cos 63°, sin 63°, cos 123°, to 17 digits.
constexpr double kCos30 = 0.86602540378443865;
constexpr double kCos6 = 0.99452189536827329;
constexpr double kSin6 = 0.10452846326765347;
constexpr double kCos63 = 0.45399049973954680;
constexpr double kSin63 = 0.89100652418836787;
constexpr double kCos123 = -0.54463903501502708;

// The cosines of T from the direction (cosine, sine) of h̄': the multiples
// of the angle as powers of the unit complex number, the offsets by the
// sum formulas. Equal to the cosines of the angles, to rounding.
std::array<double, 4> HueCosines(double cosine, double sine) noexcept {
    const double cos2 = cosine * cosine - sine * sine;
    const double sin2 = 2 * cosine * sine;
    const double cos3 = cos2 * cosine - sin2 * sine;
    const double sin3 = sin2 * cosine + cos2 * sine;
    const double cos4 = cos2 * cos2 - sin2 * sin2;
    const double sin4 = 2 * cos2 * sin2;
    return {cosine * kCos30 + sine * 0.5, cos2, cos3 * kCos6 - sin3 * kSin6, cos4 * kCos63 + sin4 * kSin63};
}

// The terms as Sharma writes them, from the angles in degrees; kept for
// the cases the faster way below cannot take: a neutral colour (hue 0 by
// definition, no mean to halve) and hues exactly opposite (no direction
// halfway between them).
THueTerms HueTermsFromAngles(double a1, double b1, double c1p, double a2, double b2, double c2p) noexcept {
    const double h1p = HueDegrees(b1, a1);
    const double h2p = HueDegrees(b2, a2);
    const bool neutral = c1p * c2p == 0;
    double deltaHue = 0;
    double hMean = h1p + h2p;
    if (!neutral) {
        deltaHue = h2p - h1p;
        if (deltaHue > 180) {
            deltaHue -= 360;
        } else if (deltaHue < -180) {
            deltaHue += 360;
        }
        if (std::fabs(h1p - h2p) <= 180) {
            hMean /= 2;
        } else {
            hMean = hMean < 360 ? (hMean + 360) / 2 : (hMean - 360) / 2;
        }
    }
    const double cosine = std::cos(Radians(hMean));
    const double sine = std::sin(Radians(hMean));
    return {std::sin(Radians(deltaHue / 2)), cosine, sine, hMean, HueCosines(cosine, sine)};
}

// The same from the hues' unit vectors u1 and u2, with one arc tangent
// instead of two and five sines and cosines. The chord u2 - u1 is
// 2 |sin(Δh'/2)| long, and Δh', the shorter way from h1' to h2', has the
// sign of the cross product u1 × u2. h̄' bisects that shorter arc: it
// points along u1 + u2, and at right angles to the chord; of the two, the
// longer vector gives the more exact direction.
// The rotation term RT (eq. 17-21), which turns hue and chroma differences
// into each other around blue (h̄' near 275°). For h̄' below 123° its
// factor exp(-((h̄' - 275°) / 25°)^2) is under 1e-16, so the term could
// change ΔE00 by its last bit at most, and it is left out: most of the
// time of a difference goes into it.
double RotationTerm(const THueTerms& hue, double cMeanP) noexcept {
    if (hue.MeanSine >= 0 && hue.MeanCosine > kCos123) return 0;
    double mean = hue.MeanDegrees;
    if (std::isnan(mean)) {
        mean = std::atan2(hue.MeanSine, hue.MeanCosine) * kDegreesPerRadian;
        if (mean < 0) mean += 360;
    }
    const double deltaTheta = 30 * std::exp(-Square((mean - 275) / 25));
    const double cMeanP7 = SeventhPower(cMeanP);
    const double rc = 2 * std::sqrt(cMeanP7 / (cMeanP7 + kTwentyFiveToTheSeventh));
    return -std::sin(Radians(2 * deltaTheta)) * rc;
}

THueTerms HueTerms(double a1, double b1, double c1p, double a2, double b2, double c2p) noexcept {
    if (c1p * c2p == 0) return HueTermsFromAngles(a1, b1, c1p, a2, b2, c2p);
    const double x1 = a1 / c1p;
    const double y1 = b1 / c1p;
    const double x2 = a2 / c2p;
    const double y2 = b2 / c2p;
    const double cross = x1 * y2 - y1 * x2;
    const double chordX = x2 - x1;
    const double chordY = y2 - y1;
    const double chord = Magnitude(chordX, chordY);
    double meanX = x1 + x2;
    double meanY = y1 + y2;
    if (x1 * x2 + y1 * y2 < 0) {
        if (cross == 0) return HueTermsFromAngles(a1, b1, c1p, a2, b2, c2p);
        meanX = cross > 0 ? chordY : -chordY;
        meanY = cross > 0 ? -chordX : chordX;
    }
    const double length = Magnitude(meanX, meanY);
    const double cosine = meanX / length;
    const double sine = meanY / length;
    return {cross < 0 ? -chord / 2 : chord / 2, cosine, sine, kNoDegrees, HueCosines(cosine, sine)};
}

}  // namespace

double SrgbToLinear(int channel) noexcept {
    // 256 values, worked out once.
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double c = static_cast<double>(i) / 255.0;
            values[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return values;
    }();
    return table[static_cast<std::size_t>(channel & 0xFF)];
}

int LinearToSrgb(double linear) noexcept {
    // NaN cannot arise from our matrices; it would go to 0 here.
    if (!(linear > 0)) return 0;
    if (linear >= 1) return 255;
    const double c = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return static_cast<int>(std::lround(c * 255));
}

double RelativeLuminance(TPackedColor color) noexcept {
    const TLinearRgb rgb = LinearOf(color);
    const auto& row = kRgbToXyz[1];
    return (row[0] * rgb[0] + row[1] * rgb[1] + row[2] * rgb[2]) / kWhiteY;
}

double LightnessFromLuminance(double relativeY) noexcept {
    return relativeY > kEpsilon ? 116 * CubeRoot(relativeY) - 16 : kKappa * relativeY;
}

TLab PackedToLab(TPackedColor color) noexcept { return LinearToLab(LinearOf(color)); }

TLab LinearToLab(const TLinearRgb& rgb) noexcept {
    const TLinearRgb xyz = Apply(kRgbToXyz, rgb);
    const double y = xyz[1] / kWhiteY;
    const double fy = LabF(y);
    // As LightnessFromLuminance(y), whose cube root is fy.
    const double lightness = y > kEpsilon ? 116 * fy - 16 : kKappa * y;
    return {lightness, 500 * (LabF(xyz[0] / kWhiteX) - fy), 200 * (fy - LabF(xyz[2] / kWhiteZ))};
}

double DeltaE2000(const TLab& first, const TLab& second) noexcept {
    // Sharma, Wu and Dalal (2005), equations (2)-(22), kL = kC = kH = 1.
    const double c1 = Magnitude(first.A, first.B);
    const double c2 = Magnitude(second.A, second.B);
    const double cMean7 = SeventhPower((c1 + c2) / 2);
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + kTwentyFiveToTheSeventh)));
    const double a1 = (1 + g) * first.A;
    const double a2 = (1 + g) * second.A;
    const double c1p = Magnitude(a1, first.B);
    const double c2p = Magnitude(a2, second.B);

    const double deltaL = second.L - first.L;
    const double deltaC = c2p - c1p;
    const THueTerms hue = HueTerms(a1, first.B, c1p, a2, second.B, c2p);
    const double deltaH = 2 * std::sqrt(c1p * c2p) * hue.SinHalfDelta;

    const double lMean = (first.L + second.L) / 2;
    const double cMeanP = (c1p + c2p) / 2;
    const double t = 1 - 0.17 * hue.Cosines[0] + 0.24 * hue.Cosines[1] + 0.32 * hue.Cosines[2] - 0.20 * hue.Cosines[3];
    const double lFromMid = Square(lMean - 50);
    const double sl = 1 + 0.015 * lFromMid / std::sqrt(20 + lFromMid);
    const double sc = 1 + 0.045 * cMeanP;
    const double sh = 1 + 0.015 * cMeanP * t;
    const double rt = RotationTerm(hue, cMeanP);

    const double l = deltaL / sl;
    const double c = deltaC / sc;
    const double h = deltaH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

std::string_view VisionViewName(TVisionView view) noexcept {
    switch (view) {
        case TVisionView::Normal: return "normal";
        case TVisionView::Grey: return "grey";
        case TVisionView::Protan: return "protan";
        case TVisionView::Deutan: return "deutan";
        case TVisionView::Tritan: return "tritan";
    }
    return "normal";
}

TLinearRgb SimulateLinear(TPackedColor color, TVisionView view) noexcept {
    switch (view) {
        case TVisionView::Normal: return LinearOf(color);
        case TVisionView::Grey: {
            const double luminance = RelativeLuminance(color);
            return {luminance, luminance, luminance};
        }
        case TVisionView::Protan: return ApplyClipped(kProtanopia, LinearOf(color));
        case TVisionView::Deutan: return ApplyClipped(kDeuteranopia, LinearOf(color));
        case TVisionView::Tritan: return ApplyClipped(kTritanopia, LinearOf(color));
    }
    return LinearOf(color);
}

TPackedColor SimulateView(TPackedColor color, TVisionView view) noexcept {
    // Encoding the normal view's channels gives the colour back (each
    // 8-bit value is the nearest to its own linear value).
    return view == TVisionView::Normal ? color : PackLinear(SimulateLinear(color, view));
}

}  // namespace rulv
