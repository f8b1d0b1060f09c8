// ColorScience.h - how a packed colour looks: CIE L*a*b*, the CIEDE2000
// colour difference and simulated colour-vision deficiencies.
//
// Published definitions, written out here so that both builds compute the
// same numbers with plain double arithmetic (no colour-management library
// builds for both):
//   - sRGB: IEC 61966-2-1:1999. The transfer curve (a channel c in 0..1 is
//     c / 12.92 up to 0.04045, ((c + 0.055) / 1.055)^2.4 above) and the
//     matrix from linear RGB to CIE XYZ with its four-decimal coefficients.
//     The reference white is D65 as that matrix gives it for R = G = B = 1
//     (X 0.9505, Y 1.0000, Z 1.0890), so white is exactly L* 100, a* = b* = 0.
//   - CIE 1976 L*a*b* (CIE 15:2004): f(t) = t^(1/3) above (6/29)^3, else
//     t * 841/108 + 4/29; L* = 116 f(Y/Yn) - 16 (so 24389/27 * Y/Yn in the
//     dark part), a* = 500 (f(X/Xn) - f(Y/Yn)), b* = 200 (f(Y/Yn) - f(Z/Zn)).
//   - CIEDE2000 (CIE 142-2001) with kL = kC = kH = 1, exactly as in
//     G. Sharma, W. Wu and E. N. Dalal, "The CIEDE2000 color-difference
//     formula: implementation notes, supplementary test data, and
//     mathematical observations", Color Research and Application 30(1),
//     21-30, 2005, equations (1)-(22), whose 34 test pairs are our tests.
//   - Colour-vision deficiency: the matrices for protanomaly, deuteranomaly
//     and tritanomaly at severity 1.0 (that is, protanopia, deuteranopia and
//     tritanopia) of G. M. Machado, M. M. Oliveira and L. A. F. Fernandes,
//     "A physiologically-based model for simulation of color vision
//     deficiency", IEEE Transactions on Visualization and Computer Graphics
//     15(6), 1291-1298, 2009, applied to linear RGB.
#pragma once

#include <array>
#include <string_view>

#include "colormap/Rgblib.h"

namespace rulv {

// A colour in CIE 1976 L*a*b* (D65).
struct TLab {
    double L;
    double A;
    double B;
};

// One 8-bit sRGB channel (0..255) as linear light in 0..1.
double SrgbToLinear(int channel) noexcept;

// Linear light as an 8-bit sRGB channel: clamped to 0..1 first, then
// encoded and rounded to the nearest of 0..255 (halves away from zero).
int LinearToSrgb(double linear) noexcept;

// CIE Y of the colour relative to white (0 black, 1 white).
double RelativeLuminance(TPackedColor color) noexcept;

// CIE L* of a luminance relative to white: 0 for 0, 100 for 1.
double LightnessFromLuminance(double relativeY) noexcept;

TLab PackedToLab(TPackedColor color) noexcept;

// A colour as linear-light sRGB: red, green and blue, each in 0..1.
using TLinearRgb = std::array<double, 3>;

// CIE L*a*b* of a linear-light colour (PackedToLab is this of the packed
// colour's channels).
TLab LinearToLab(const TLinearRgb& rgb) noexcept;

// ΔE00 of two colours; symmetric, 0 for equal colours.
double DeltaE2000(const TLab& first, const TLab& second) noexcept;

// How a person (or a black-and-white print) sees the strip.
enum class TVisionView {
    Normal,  // as it is
    Grey,    // the neutral grey of the same L*
    Protan,  // protanopia (no long-wave cones)
    Deutan,  // deuteranopia (no middle-wave cones)
    Tritan,  // tritanopia (no short-wave cones)
};

inline constexpr TVisionView kVisionViews[] = {TVisionView::Normal, TVisionView::Grey, TVisionView::Protan,
                                               TVisionView::Deutan, TVisionView::Tritan};

// "normal", "grey", "protan", "deutan", "tritan".
std::string_view VisionViewName(TVisionView view) noexcept;

// The colour as `view` shows it, in linear light and unrounded, for
// measuring: a deficiency's matrix works on the linear channels, and each
// channel of its result is clipped to 0..1 (a matrix can leave the range);
// the grey view has the colour's relative luminance in every channel.
// Greys stay the same grey in every view.
TLinearRgb SimulateLinear(TPackedColor color, TVisionView view) noexcept;

// The same colour as an 8-bit sRGB packed colour, for pictures: the
// channels of SimulateLinear encoded and rounded (LinearToSrgb). Normal
// gives the colour itself.
TPackedColor SimulateView(TPackedColor color, TVisionView view) noexcept;

}  // namespace rulv
