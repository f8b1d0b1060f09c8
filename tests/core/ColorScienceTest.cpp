// ColorScienceTest.cpp - CIEDE2000 against its published test data, the
// sRGB curve and CIE L* at their fixed points, and the simulated views.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "colormap/ColorScience.h"

namespace rulv {
namespace {

// --- CIEDE2000 ------------------------------------------------------------

struct TSharmaPair {
    TLab First;
    TLab Second;
    double DeltaE;  // as published, to 4 decimals
};

// Table 1 of Sharma, Wu and Dalal (2005), pairs 1 to 34 in order. Pairs 1-6
// lie in the blue region, where the rotation term RT counts most; 7-8 are
// one pair both ways round, a neutral against a colour; in 9-15 the hues lie
// close to 180 degrees apart, on both sides of the point where the mean hue
// and the hue difference change branch; 16-34 are larger differences, pairs
// one unit apart in different directions, and everyday pairs.
const TSharmaPair kSharmaPairs[] = {
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
    {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
    {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
    {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
    {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
    {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
};
static_assert(std::size(kSharmaPairs) == 34);

// The value as the table prints it: rounded to 4 decimals.
std::string FourDecimals(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.4f", value);
    return text;
}

TEST(Ciede2000, EveryPublishedPairBothWaysRound) {
    int pair = 0;
    for (const TSharmaPair& test : kSharmaPairs) {
        ++pair;
        EXPECT_EQ(FourDecimals(DeltaE2000(test.First, test.Second)), FourDecimals(test.DeltaE)) << "pair " << pair;
        EXPECT_EQ(FourDecimals(DeltaE2000(test.Second, test.First)), FourDecimals(test.DeltaE))
            << "pair " << pair << " swapped";
    }
}

// Hues exactly opposite have no direction halfway between them: the mean
// hue then follows Sharma's rule for |h1' - h2'| = 180° (values from a
// direct transcription of equations 1-22, both ways round).
TEST(Ciede2000, ExactlyOppositeHues) {
    const TSharmaPair cases[] = {
        {{50, 10, 0}, {50, -10, 0}, 26.0273},                 // 0° and 180°
        {{60, 0, 20}, {40, 0, -20}, 36.8287},                 // 90° and 270°
        {{50, 22.98, -19.28}, {50, -11.49, 9.64}, 30.5471},  // 320° and 140°, chroma halved
    };
    for (const TSharmaPair& test : cases) {
        EXPECT_EQ(FourDecimals(DeltaE2000(test.First, test.Second)), FourDecimals(test.DeltaE)) << test.DeltaE;
        EXPECT_EQ(FourDecimals(DeltaE2000(test.Second, test.First)), FourDecimals(test.DeltaE)) << test.DeltaE;
    }
}

TEST(Ciede2000, EqualColorsDifferByNothing) {
    for (const TSharmaPair& test : kSharmaPairs) {
        EXPECT_EQ(DeltaE2000(test.First, test.First), 0.0);
        EXPECT_EQ(DeltaE2000(test.Second, test.Second), 0.0);
    }
    EXPECT_EQ(DeltaE2000({0, 0, 0}, {0, 0, 0}), 0.0) << "black: hue undefined on both sides";
}

TEST(Ciede2000, BlackAgainstWhiteIsTheWholeLightnessScale) {
    // Neutrals: only the lightness term counts, and SL is 1 at the mean L* 50.
    EXPECT_DOUBLE_EQ(DeltaE2000({0, 0, 0}, {100, 0, 0}), 100.0);
}

// --- sRGB and L* ----------------------------------------------------------

TEST(Srgb, TransferCurveFixedPoints) {
    EXPECT_EQ(SrgbToLinear(0), 0.0);
    EXPECT_EQ(SrgbToLinear(255), 1.0);
    // 10/255 lies below the 0.04045 junction (straight part), 11/255 above it.
    EXPECT_DOUBLE_EQ(SrgbToLinear(10), 10.0 / 255.0 / 12.92);
    EXPECT_NEAR(SrgbToLinear(11), 0.0033465, 1e-7);
    // Mid-scale 128 is the well-known 21.586 % of linear light.
    EXPECT_NEAR(SrgbToLinear(128), 0.21586, 1e-5);
    for (int channel = 1; channel < 256; ++channel) {
        EXPECT_GT(SrgbToLinear(channel), SrgbToLinear(channel - 1)) << channel;
    }
}

TEST(Srgb, EncodingIsTheInverseAndClamps) {
    for (int channel = 0; channel < 256; ++channel) {
        EXPECT_EQ(LinearToSrgb(SrgbToLinear(channel)), channel) << channel;
    }
    const struct {
        double linear;
        int channel;
    } cases[] = {
        {-0.5, 0},
        {0.0, 0},
        {1.0, 255},
        {1.5, 255},
        {std::numeric_limits<double>::infinity(), 255},
        {-std::numeric_limits<double>::infinity(), 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& test : cases) EXPECT_EQ(LinearToSrgb(test.linear), test.channel) << test.linear;
}

// The cube root of L* is correctly rounded for exact cubes (L* 42 is
// Y = 1/8 exactly) and within a unit in the last place elsewhere.
TEST(Lightness, CubeRootOfTheLuminance) {
    EXPECT_EQ(LightnessFromLuminance(0.125), 42.0);
    EXPECT_EQ(LightnessFromLuminance(1.0), 100.0);
    EXPECT_EQ(LightnessFromLuminance(0.729), 116 * 0.9 - 16);
    for (double y = 0.0089; y < 1.1; y *= 1.001) {
        const double expected = 116 * static_cast<double>(std::cbrt(static_cast<long double>(y))) - 16;
        EXPECT_NEAR(LightnessFromLuminance(y), expected, 4e-14) << y;
    }
}

TEST(Lightness, BlackWhiteAndMidGrey) {
    EXPECT_EQ(PackedToLab(0x000000).L, 0.0);
    EXPECT_EQ(PackedToLab(0xFFFFFF).L, 100.0);
    // L* 50 is Y = (66/116)^3 by definition; sRGB 777777 is the first grey
    // above it, 808080 (half of the code range) is L* 53.585.
    EXPECT_NEAR(LightnessFromLuminance(std::pow(66.0 / 116.0, 3)), 50.0, 1e-12);
    EXPECT_LT(PackedToLab(0x767676).L, 50.0);
    EXPECT_GT(PackedToLab(0x777777).L, 50.0);
    EXPECT_NEAR(PackedToLab(0x808080).L, 53.585, 0.0005);
    // The straight dark part meets the cube root without a step.
    const double junction = 216.0 / 24389.0;
    EXPECT_NEAR(LightnessFromLuminance(junction), 8.0, 1e-12);
    EXPECT_NEAR(LightnessFromLuminance(std::nextafter(junction, 1.0)), 8.0, 1e-12);
}

TEST(Lab, WhiteAndGreysAreNeutral) {
    for (int grey = 0; grey < 256; ++grey) {
        const TLab lab = PackedToLab(grey * 0x010101);
        EXPECT_NEAR(lab.A, 0.0, 1e-9) << grey;
        EXPECT_NEAR(lab.B, 0.0, 1e-9) << grey;
    }
    const TLab white = PackedToLab(0xFFFFFF);
    EXPECT_EQ(white.A, 0.0);
    EXPECT_EQ(white.B, 0.0);
}

TEST(Lab, PrimariesWhereTheLiteratureHasThem) {
    // Widely published values of the sRGB primaries in D65 L*a*b*; the
    // four-decimal IEC matrix moves them by a few hundredths.
    const struct {
        TPackedColor color;  // packed: red in the low byte
        TLab lab;
    } cases[] = {
        {0x0000FF, {53.2408, 80.0925, 67.2032}},     // red
        {0x00FF00, {87.7347, -86.1827, 83.1793}},    // green
        {0xFF0000, {32.2970, 79.1875, -107.8602}},   // blue
    };
    for (const auto& test : cases) {
        const TLab lab = PackedToLab(test.color);
        EXPECT_NEAR(lab.L, test.lab.L, 0.03) << std::hex << test.color;
        EXPECT_NEAR(lab.A, test.lab.A, 0.03) << std::hex << test.color;
        EXPECT_NEAR(lab.B, test.lab.B, 0.03) << std::hex << test.color;
    }
}

// --- simulated views --------------------------------------------------------

TEST(SimulateView, GreysLookTheSameInEveryView) {
    for (const TVisionView view : kVisionViews) {
        for (int grey = 0; grey < 256; ++grey) {
            const TPackedColor color = grey * 0x010101;
            EXPECT_EQ(SimulateView(color, view), color) << VisionViewName(view) << " " << grey;
        }
    }
}

TEST(SimulateView, NormalKeepsEveryColor) {
    for (const TPackedColor color : {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xFEDCBA}) {
        EXPECT_EQ(SimulateView(color, TVisionView::Normal), color);
    }
}

TEST(SimulateView, GreyKeepsTheLightness) {
    for (const TPackedColor color : {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xFEDCBA, 0x00FFFF}) {
        const TPackedColor grey = SimulateView(color, TVisionView::Grey);
        EXPECT_EQ(grey, (grey & 0xFF) * 0x010101) << std::hex << color << " gives a neutral grey";
        // Within what the nearest 8-bit grey allows (under half a step).
        EXPECT_NEAR(PackedToLab(grey).L, PackedToLab(color).L, 0.25) << std::hex << color;
    }
}

// Pairs that a dichromat of one kind confuses, far apart for normal vision
// and for the other two kinds. Found by searching the 8-bit colours; the
// colours are written RRGGBB in the comments (packed, blue comes first).
struct TConfusedPair {
    TVisionView view;
    TPackedColor first;
    TPackedColor second;
};

const TConfusedPair kConfusedPairs[] = {
    {TVisionView::Protan, 0x0000FF, 0x0F6900},  // red FF0000, green 00690F: the red looks dark
    {TVisionView::Deutan, 0x0000FF, 0x007DBE},  // red FF0000, ochre BE7D00
    {TVisionView::Tritan, 0x6B06F6, 0x004BFF},  // pink F6066B, orange FF4B00
};

TEST(SimulateView, EachDeficiencyMergesItsOwnConfusionPair) {
    for (const TConfusedPair& test : kConfusedPairs) {
        const double normal = DeltaE2000(PackedToLab(test.first), PackedToLab(test.second));
        EXPECT_GT(normal, 25.0) << VisionViewName(test.view);
        for (const TVisionView view : {TVisionView::Protan, TVisionView::Deutan, TVisionView::Tritan}) {
            const double simulated = DeltaE2000(PackedToLab(SimulateView(test.first, view)),
                                                PackedToLab(SimulateView(test.second, view)));
            if (view == test.view) {
                EXPECT_LT(simulated, 1.0) << VisionViewName(view) << " merges its pair";
            } else {
                EXPECT_GT(simulated, 10.0) << VisionViewName(view) << " still tells apart the "
                                           << VisionViewName(test.view) << " pair";
            }
        }
    }
}

// A deficiency's matrix on linear light: pure red and green give the
// matrix's own columns, each channel clipped to 0..1 and never rounded.
TEST(SimulateLinear, MatrixColumnsClippedAndUnrounded) {
    const struct {
        TVisionView view;
        TPackedColor color;
        TLinearRgb expected;
    } cases[] = {
        {TVisionView::Protan, 0x0000FF, {0.152286, 0.114503, 0.0}},  // blue -0.003882 clipped
        {TVisionView::Protan, 0x00FF00, {1.0, 0.786281, 0.0}},       // red 1.052583, blue -0.048116
        {TVisionView::Deutan, 0x0000FF, {0.367322, 0.280085, 0.0}},  // blue -0.011820
        {TVisionView::Tritan, 0xFF0000, {0.0, 0.147602, 0.303900}},  // red -0.178779
        {TVisionView::Tritan, 0x0000FF, {1.0, 0.0, 0.004733}},       // red 1.255528, green -0.078411
        {TVisionView::Normal, 0x0000FF, {1.0, 0.0, 0.0}},
        {TVisionView::Grey, 0x0000FF, {0.2126, 0.2126, 0.2126}},     // red's share of Y
    };
    for (const auto& test : cases) {
        const TLinearRgb seen = SimulateLinear(test.color, test.view);
        for (std::size_t channel = 0; channel < 3; ++channel) {
            EXPECT_NEAR(seen[channel], test.expected[channel], 1e-12)
                << VisionViewName(test.view) << " " << std::hex << test.color << " channel " << channel;
        }
        // The picture's colour is the same one rounded to 8 bits.
        const TPackedColor rounded = SimulateView(test.color, test.view);
        EXPECT_EQ(rounded, PackColor(LinearToSrgb(seen[0]), LinearToSrgb(seen[1]), LinearToSrgb(seen[2])));
    }
    // Protan red as measured: L*a*b* 40.289, -3.672, 47.473 with the
    // inverse of the IEC XYZ-to-sRGB matrix (within 0.005 of ours); its
    // 8-bit form 6D5F00 has a* -3.550.
    const TLab protanRed = LinearToLab(SimulateLinear(0x0000FF, TVisionView::Protan));
    EXPECT_NEAR(protanRed.L, 40.289, 0.005);
    EXPECT_NEAR(protanRed.A, -3.672, 0.005);
    EXPECT_NEAR(protanRed.B, 47.473, 0.005);
    EXPECT_EQ(SimulateView(0x0000FF, TVisionView::Protan), PackColor(0x6D, 0x5F, 0x00));
}

// The matrices' rows sum to 1 within 1e-6 (their published six decimals).
TEST(SimulateLinear, GreysStayTheirOwnGrey) {
    for (const TVisionView view : kVisionViews) {
        for (int grey = 0; grey < 256; grey += 5) {
            const TLinearRgb seen = SimulateLinear(grey * 0x010101, view);
            for (const double channel : seen) EXPECT_NEAR(channel, SrgbToLinear(grey), 2e-6) << grey;
            EXPECT_NEAR(LinearToLab(seen).L, PackedToLab(grey * 0x010101).L, 1e-4) << grey;
        }
    }
}

TEST(SimulateView, NamesOfTheViews) {
    std::string names;
    for (const TVisionView view : kVisionViews) names += std::string(VisionViewName(view)) + " ";
    EXPECT_EQ(names, "normal grey protan deutan tritan ");
}

}  // namespace
}  // namespace rulv
