// ColorScience.cpp - sRGB, CIE L*a*b*, CIEDE2000 and the colour-vision
// deficiency matrices; the sources are named in the header.
#include "colormap/ColorScience.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

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

double LabF(double t) noexcept { return t > kEpsilon ? std::cbrt(t) : t * (841.0 / 108.0) + 4.0 / 29.0; }

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
    return relativeY > kEpsilon ? 116 * std::cbrt(relativeY) - 16 : kKappa * relativeY;
}

TLab PackedToLab(TPackedColor color) noexcept { return LinearToLab(LinearOf(color)); }

TLab LinearToLab(const TLinearRgb& rgb) noexcept {
    const TLinearRgb xyz = Apply(kRgbToXyz, rgb);
    const double fy = LabF(xyz[1] / kWhiteY);
    return {LightnessFromLuminance(xyz[1] / kWhiteY), 500 * (LabF(xyz[0] / kWhiteX) - fy),
            200 * (fy - LabF(xyz[2] / kWhiteZ))};
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
    const double h1p = HueDegrees(first.B, a1);
    const double h2p = HueDegrees(second.B, a2);

    const double deltaL = second.L - first.L;
    const double deltaC = c2p - c1p;
    const bool neutral = c1p * c2p == 0;
    double deltaHue = 0;
    if (!neutral) {
        deltaHue = h2p - h1p;
        if (deltaHue > 180) {
            deltaHue -= 360;
        } else if (deltaHue < -180) {
            deltaHue += 360;
        }
    }
    const double deltaH = 2 * std::sqrt(c1p * c2p) * std::sin(Radians(deltaHue / 2));

    const double lMean = (first.L + second.L) / 2;
    const double cMeanP = (c1p + c2p) / 2;
    double hMean = h1p + h2p;
    if (!neutral) {
        if (std::fabs(h1p - h2p) <= 180) {
            hMean /= 2;
        } else {
            hMean = hMean < 360 ? (hMean + 360) / 2 : (hMean - 360) / 2;
        }
    }
    const double t = 1 - 0.17 * std::cos(Radians(hMean - 30)) + 0.24 * std::cos(Radians(2 * hMean)) +
                     0.32 * std::cos(Radians(3 * hMean + 6)) - 0.20 * std::cos(Radians(4 * hMean - 63));
    const double deltaTheta = 30 * std::exp(-Square((hMean - 275) / 25));
    const double cMeanP7 = SeventhPower(cMeanP);
    const double rc = 2 * std::sqrt(cMeanP7 / (cMeanP7 + kTwentyFiveToTheSeventh));
    const double lFromMid = Square(lMean - 50);
    const double sl = 1 + 0.015 * lFromMid / std::sqrt(20 + lFromMid);
    const double sc = 1 + 0.045 * cMeanP;
    const double sh = 1 + 0.015 * cMeanP * t;
    const double rt = -std::sin(Radians(2 * deltaTheta)) * rc;

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
