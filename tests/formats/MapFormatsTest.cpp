// MapFormatsTest.cpp - the readers of the exchange formats on samples in the
// form each format's own tool writes, their faults, the sampling and the
// round trips through every format that holds 8-bit colours.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "colormap/formats/ListFormats.h"
#include "colormap/formats/MapFiles.h"
#include "colormap/formats/RulvWriter.h"

namespace rulv {
namespace {

using namespace std::string_literals;

TPaletteArray Hex(std::initializer_list<const char*> texts) {
    TPaletteArray colors;
    for (const char* text : texts) {
        const auto value = std::stoul(text, nullptr, 16);
        colors.push_back(PackColor(static_cast<int>(value >> 16), static_cast<int>((value >> 8) & 0xFF),
                                   static_cast<int>(value & 0xFF)));
    }
    return colors;
}

std::string Shown(const TPaletteArray& colors) {
    std::string text;
    for (const TPackedColor color : colors) text += HexColorText(color) + " ";
    return text;
}

// --- samples ------------------------------------------------------------------

struct TSampleCase {
    const char* Name;
    TMapFormat Format;
    std::string Text;
    int Colors;  // sampled at this many colours (0: the map's own count)
    TPaletteArray Expected;
};

const TSampleCase kSamples[] = {
    {"cpt as makecpt writes it: continuous, B F N lines", TMapFormat::Cpt,
     "# cpt file created by: makecpt -Cviridis -T0/1\n#COLOR_MODEL = RGB\n#\n"
     "0\t68/1/84\t0.5\t33/145/140\n0.5\t33/145/140\t1\t253/231/37\nB\t0/0/0\nF\t255/255/255\nN\t128/128/128\n",
     5, Hex({"440154", "324970", "21918C", "8FBC58", "FDE725"})},
    {"cpt, discrete slices with labels and an annotation flag", TMapFormat::Cpt,
     "# COLOR_MODEL = +RGB\n0 255/0/0 1 255/0/0 L ;low\n1 #00FF00 2 - U\n2 128 3 128 B\n", 0,
     Hex({"FF0000", "00FF00", "808080"})},
    {"cpt, the old form z r g b z r g b, CR LF", TMapFormat::Cpt, "0 0 0 0 10 255 255 255\r\n", 3,
     Hex({"000000", "808080", "FFFFFF"})},
    {"cpt, a hard edge: the slice above takes the edge", TMapFormat::Cpt,
     "0 0/0/0 1 0/0/0\n1 255/255/255 2 255/255/255\n2 0/0/255 4 255/0/0\n", 5,
     Hex({"000000", "FFFFFF", "0000FF", "800080", "FF0000"})},
    {"ParaView JSON as ParaView exports it, second preset by name", TMapFormat::ParaViewJson,
     R"([{"Creator":"Generated","Name":"first","ColorSpace":"RGB","RGBPoints":[0,0,0,0,1,1,1,1]},
  {"ColorSpace" : "RGB", "Name" : "Blue Orange", "NanColor" : [1, 1, 0],
   "Points" : [0, 0, 0.5, 0, 1, 1, 0.5, 0],
   "RGBPoints" : [-1, 0, 0, 1,  0, 1, 1, 1,  1, 1, 0.5, 0]}])",
     3, Hex({"0000FF", "FFFFFF", "FF8000"})},
    {"ParaView JSON, one object, Step: one colour per point", TMapFormat::ParaViewJson,
     R"({"Name":"s","ColorSpace":"Step","RGBPoints":[0,1,0,0, 0.5,0,1,0, 1,0,0,1]})", 0,
     Hex({"FF0000", "00FF00", "0000FF"})},
    {"ParaView XML as ParaView writes it, with comments and a NaN colour", TMapFormat::ParaViewXml,
     "<?xml version=\"1.0\"?>\n<!-- exported -->\n<ColorMaps>\n<ColorMap name=\"m\" space=\"RGB\">\n"
     "<Point x=\"0\" o=\"1\" r=\"0\" g=\"0\" b=\"0\"/>\n<Point x='2' o='1' r='1' g='0.5' b='0'/>\n"
     "<NaN r=\"1\" g=\"1\" b=\"0\"/>\n</ColorMap>\n</ColorMaps>\n",
     3, Hex({"000000", "804000", "FF8000"})},
    {"jscm as viscm writes it, continuous", TMapFormat::Jscm,
     R"({"content-type": "application/vnd.matplotlib.colormap-v1+json", "name": "m",
 "license": "http://creativecommons.org/publicdomain/zero/1.0/", "usage-hints": ["red-green-colorblind-safe"],
 "colorspace": "sRGB", "domain": "continuous", "colors": "000000ffffff",
 "extensions": {"https://matplotlib.org/viscm": {"min_Jp": 15, "max_Jp": 95}}})",
     3, Hex({"000000", "808080", "FFFFFF"})},
    {"jscm, discrete: the list as it is", TMapFormat::Jscm,
     R"({"name":"d","colorspace":"sRGB","domain":"discrete","colors":"440154FDE725"})", 0,
     Hex({"440154", "FDE725"})},
    {"gpl as GIMP writes it: Columns, comments, names with blanks", TMapFormat::GimpPalette,
     "GIMP Palette\nName: Viridis\nColumns: 16\n#\n 68   1  84\tdark violet\n\n253 231  37 #FDE725\n", 0,
     Hex({"440154", "FDE725"})},
    {"gpl with CR LF and no name", TMapFormat::GimpPalette, "GIMP Palette\r\n0 0 0\r\n255 128 1\r\n", 0,
     Hex({"000000", "FF8001"})},
    {"colorcet CSV: commas, 0-1", TMapFormat::Csv, "0,0,0\n1,0.5,0.2509804\n", 0, Hex({"000000", "FF8040"})},
    {"CMasher text: blanks, 8 decimals", TMapFormat::Text, "0.26666667 0.00392157 0.32941176\n0.99215686 0.90588235 0.14509804\n", 0,
     Hex({"440154", "FDE725"})},
    {"text with integers: any value above 1 means 0-255", TMapFormat::Text, "1 1 1\n255;128;0\n", 0,
     Hex({"010101", "FF8000"})},
};

TEST(MapFormats, SamplesReadAsTheirToolsMeanThem) {
    for (const TSampleCase& sample : kSamples) {
        TMapSource source;
        TReadOptions options;
        if (sample.Text.find("Blue Orange") != std::string::npos) options.Name = "Blue Orange";
        try {
            source = ReadMapBytes(sample.Text, sample.Format, options);
        } catch (const EMapFault& fault) {
            ADD_FAILURE() << sample.Name << ": " << fault.Fault().Line << ":" << fault.Fault().Column << " " << fault.what();
            continue;
        }
        TSampling sampling;
        if (sample.Colors > 0) sampling.Colors = sample.Colors;
        EXPECT_EQ(Shown(SampleMap(source, sampling)), Shown(sample.Expected)) << sample.Name;
    }
}

TEST(MapFormats, AdobeTablesWithAndWithoutTheirCount) {
    std::string table(768, '\0');
    table[0] = '\x44';
    table[1] = '\x01';
    table[2] = '\x54';
    table[3] = '\xFD';
    table[4] = '\xE7';
    table[5] = '\x25';
    const TMapSource whole = ReadMapBytes(table, TMapFormat::AdobeTable, {});
    ASSERT_EQ(whole.Colors.size(), 256u);
    EXPECT_EQ(HexColorText(whole.Colors[1]), "FDE725");
    EXPECT_EQ(HexColorText(whole.Colors[255]), "000000");
    const TMapSource counted = ReadMapBytes(table + "\x00\x02\xFF\xFF"s, TMapFormat::AdobeTable, {});
    EXPECT_EQ(Shown(counted.Colors), "440154 FDE725 ");
}

// --- faults -------------------------------------------------------------------

struct TFaultCase {
    TMapFormat Format;
    std::string Text;
    std::int64_t Line;
    std::int64_t Column;
    const char* Reason;  // a part of the reason
};

const TFaultCase kFaults[] = {
    {TMapFormat::Cpt, "# COLOR_MODEL = HSV\n0 0-1-1 1 240-1-1\n", 1, 3, "COLOR_MODEL HSV is not read"},
    {TMapFormat::Cpt, "0 0-1-1 1 240-1-1\n", 1, 3, "h-s-v colours are not read"},
    {TMapFormat::Cpt, "0 0/0/0/0 1 0/0/0/0\n", 1, 3, "c/m/y/k colours are not read"},
    {TMapFormat::Cpt, "0 red 1 blue\n", 1, 3, "colour names are not read"},
    {TMapFormat::Cpt, "0 0/0/0 1 0/0/300\n", 1, 15, "between 0 and 255"},
    {TMapFormat::Cpt, "0 0/0/0 1\n", 1, 10, "this line has 3 fields"},
    {TMapFormat::Cpt, "0 0/0/0 1 0/0/0\n# c\n0.5 1/1/1 2 1/1/1\n", 3, 1, "not in order of z"},
    {TMapFormat::Cpt, "1 0/0/0 0 0/0/0\n", 1, 9, "z1 is below its z0"},
    {TMapFormat::Cpt, "x 0/0/0 1 0/0/0\n", 1, 1, "z0 is no number"},
    {TMapFormat::ParaViewJson, "[{\"Name\":\"d\",\"ColorSpace\":\"Diverging\",\"RGBPoints\":[0,0,0,0]}]", 1, 27,
     "colour space Diverging is not read; only RGB"},
    {TMapFormat::ParaViewJson, "[{\"Name\":\"d\",\n\"RGBPoints\":[0,0,0,0, 1,1,1]}]", 2, 13, "groups of four"},
    {TMapFormat::ParaViewJson, "[{\"RGBPoints\":[0,0,0,2]}]", 1, 22, "between 0 and 1"},
    {TMapFormat::ParaViewJson, "[{\"RGBPoints\":[0,0,0,0,\n  1,1,1,\"x\"]}]", 2, 9, "numbers only"},
    {TMapFormat::ParaViewJson, "[{\"IndexedColors\":[0,0,0]}]", 1, 2, "indexed (categorical) presets"},
    {TMapFormat::ParaViewJson, "[{\"RGBPoints\":[0,0,0,0]},\n]", 2, 1, "JSON syntax"},
    {TMapFormat::ParaViewJson, "[{\"RGBPoints\":[1,0,0,0, 0,1,1,1]}]", 1, 25, "not in order of x"},
    {TMapFormat::ParaViewXml, "<ColorMaps><ColorMap space=\"HSV\"><Point x=\"0\" r=\"0\" g=\"0\" b=\"0\"/>"
                              "</ColorMap></ColorMaps>", 1, 29, "colour space HSV is not read"},
    {TMapFormat::ParaViewXml, "<ColorMaps>\n<ColorMap>\n<Point x=\"0\" r=\"0\" g=\"0\"/>\n</ColorMap></ColorMaps>", 3, 1,
     "needs the attribute b"},
    {TMapFormat::ParaViewXml, "<ColorMaps><ColorMap>\n</ColorMaps>", 2, 3, "does not match <ColorMap>"},
    {TMapFormat::ParaViewXml, "<ColorMaps><ColorMap><Point x=\"a\" r=\"0\" g=\"0\" b=\"0\"/></ColorMap></ColorMaps>", 1, 32,
     "x is no number"},
    {TMapFormat::ParaViewXml, "<Colors/>", 1, 1, "<ColorMaps> at its root"},
    {TMapFormat::Jscm, "{\"colors\":\"00000g\"}", 1, 17, "hexadecimal digits only"},
    {TMapFormat::Jscm, "{\"colors\":\"0000000\"}", 1, 19, "six digits per colour"},
    {TMapFormat::Jscm, "{\"domain\":\"stepped\",\"colors\":\"\"}", 1, 11, "continuous or discrete"},
    {TMapFormat::Jscm, "{\"colorspace\":\"CAM02-UCS\",\"colors\":\"\"}", 1, 15, "only sRGB"},
    {TMapFormat::GimpPalette, "JASC-PAL\n", 1, 1, "starts with the line GIMP Palette"},
    {TMapFormat::GimpPalette, "GIMP Palette\n0 0 0\n12 256 0\n", 3, 4, "between 0 and 255"},
    {TMapFormat::GimpPalette, "GIMP Palette\n0 0\n", 2, 4, "three whole numbers"},
    {TMapFormat::AdobeTable, std::string(700, '\0'), 1, 1, "768 or 772 bytes; this file has 700"},
    {TMapFormat::AdobeTable, std::string(768, '\0') + "\x01\x01\xFF\xFF"s, 1, 1, "count of colours is 257"},
    {TMapFormat::Csv, "0,0,0\n0,0\n", 2, 4, "three numbers"},
    {TMapFormat::Csv, "0,0,0\n0,x,0\n", 2, 3, "is a number"},
    {TMapFormat::Text, "0 0 -1\n", 1, 5, "not negative"},
    {TMapFormat::Rulv, "FF0000\r\n#GRAD 000000,FFFFFF,0\r\n", 2, 21, "gradient count is 0"},
};

TEST(MapFormats, FaultsNameTheirLineColumnAndReason) {
    for (const TFaultCase& test : kFaults) {
        try {
            ReadMapBytes(test.Text, test.Format, {});
            ADD_FAILURE() << test.Text << ": no fault";
        } catch (const EMapFault& fault) {
            EXPECT_EQ(fault.Fault().Line, test.Line) << test.Text << ": " << fault.what();
            EXPECT_EQ(fault.Fault().Column, test.Column) << test.Text << ": " << fault.what();
            EXPECT_NE(fault.Fault().Reason.find(test.Reason), std::string::npos) << test.Text << ": " << fault.what();
        }
    }
}

TEST(MapFormats, AdobeTablesHoldAtMost256Colors) {
    EXPECT_THROW(WriteMapBytes(TPaletteArray(257, 0), TMapFormat::AdobeTable, {}), EMapFault);
    EXPECT_EQ(WriteMapBytes(TPaletteArray(256, 0), TMapFormat::AdobeTable, {}).size(), 772u);
}

// --- sampling -----------------------------------------------------------------

TEST(MapFormats, TransformsRangeThenColorsThenReverse) {
    TMapSource grey;
    grey.Nodes = {{0, 0, 0, 0}, {1, 255, 255, 255}};
    struct TCase {
        TSampling Sampling;
        const char* Expected;
    } cases[] = {
        // 255 / 2 = 127.5 goes to the even 128; 255 / 4 = 63.75 to 64.
        {{5, 0, 1, false, false}, "000000 404040 808080 BFBFBF FFFFFF "},
        {{3, 0.5, 1, true, false}, "808080 BFBFBF FFFFFF "},
        {{3, 0.5, 1, true, true}, "FFFFFF BFBFBF 808080 "},
        {{1, 0, 1, false, false}, "000000 "},
    };
    for (const TCase& test : cases) EXPECT_EQ(Shown(SampleMap(grey, test.Sampling)), test.Expected);
    // A list resamples exactly between neighbours: 0, 1 at 3 points is 0,
    // 0.5 (a tie, to the even 0), 1.
    TMapSource list;
    list.Colors = Hex({"000000", "010203"});
    EXPECT_EQ(Shown(SampleMap(list, {3, 0, 1, false, false})), "000000 000102 010203 ");
}

// --- round trips ----------------------------------------------------------------

TEST(MapFormats, ListsComeBackFromEveryFormatThatHoldsBytes) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> color(0, 0xFFFFFF);
    // Random colours, a ramp with a hard step, one colour repeated, one colour.
    std::vector<TPaletteArray> maps(4);
    for (int i = 0; i < 300; ++i) maps[0].push_back(color(random));
    for (int i = 0; i < 200; ++i) maps[1].push_back(PackColor(i, 255 - i, i < 100 ? 0 : 255));
    maps[2] = TPaletteArray(7, 0x336699);
    maps[3] = {0x123456};
    const TMapFormat formats[] = {TMapFormat::Rulv, TMapFormat::Cpt, TMapFormat::ParaViewJson, TMapFormat::ParaViewXml,
                                  TMapFormat::Jscm, TMapFormat::GimpPalette, TMapFormat::AdobeTable, TMapFormat::Text,
                                  TMapFormat::Csv};
    for (const TPaletteArray& colors : maps) {
        for (const TMapFormat format : formats) {
            if (format == TMapFormat::AdobeTable && colors.size() > kAdobeTableColors) continue;
            const std::string bytes = WriteMapBytes(colors, format, {"m", "a comment"});
            const TMapSource back = ReadMapBytes(bytes, format, {});
            TSampling sampling;
            sampling.Colors = static_cast<std::int64_t>(colors.size());
            EXPECT_EQ(SampleMap(back, sampling), colors) << MapFormatName(format) << " " << colors.size() << "\n" << bytes;
        }
    }
}

TEST(MapFormats, ContinuousWritersLeaveOutTheNodesInterpolationGivesBack) {
    TPaletteArray ramp;
    for (int i = 0; i < 256; ++i) ramp.push_back(PackColor(i, i, 255 - i));
    const std::string cpt = WriteMapBytes(ramp, TMapFormat::Cpt, {});
    EXPECT_EQ(cpt, "# COLOR_MODEL = RGB\n0 0/0/255 255 255/255/0\n");
    const std::string css = WriteMapBytes(ramp, TMapFormat::Css, {});
    EXPECT_NE(css.find("#0000FF 0%,\n    #FFFF00 100%"), std::string::npos) << css;
}

// --- the shortest .rulv ----------------------------------------------------------

TEST(ShortestRulv, WritesRunsAsTheirShortestLines) {
    struct TCase {
        const char* Run;  // the map, as a .rulv line that makes it
        const char* Text;  // what the writer makes of it
    } cases[] = {
        {"#GRAD 000000,FFFFFF,100000", "#GRAD 000000,FFFFFF,100000"},
        // The worked tie example: 0.5 and 2.5 round down, 1.5 up; a step of
        // 3 / 6 writes it shorter than the slope 5E-1.
        {"#LINE 0,0.5,0,0,0,0,6", "#GRAD 000000,030000,6"},
        {"#LINE 0,0.5,250,1,0,0,6", "#LINE 0,5E-1,250,1,0,0,6"},
        {"#LINE 250,1,0,0,10,-1,14", "#LINE 250,1,0,0,10,-1,14"},
        {"#LINE 0,0.37,10,-0.21,255,1.7,1000", "#LINE 0,37E-2,10,-21E-2,255,17E-1,1000"},
        {"FF0000", "FF0000"},
    };
    for (const auto& test : cases) {
        TPalette palette('.');
        palette.ParseLine(test.Run);
        TPaletteArray colors;
        palette.CopyTo(colors);
        const TRulvText text = WriteRulv(colors, "");
        EXPECT_EQ(text.Text, std::string(test.Text) + "\r\n") << test.Run;
        // Slopes without a separator read the same where the separator is a comma.
        TMemoryInput input(text.Text);
        TPaletteArray back;
        EXPECT_EQ(ReadColorMap(input, back, ','), kColorMapLoaded);
        EXPECT_EQ(back, colors) << test.Run;
    }
}

TEST(ShortestRulv, RandomMapsNeedAtMostHalfTheirColorsInLines) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> color(0, 0xFFFFFF);
    for (const int size : {1, 2, 3, 1001, 4000, 100000}) {  // the last read back in two halves
        TPaletteArray colors;
        for (int i = 0; i < size; ++i) colors.push_back(color(random));
        const TRulvText text = WriteRulv(colors, "from random, " + std::to_string(size) + " colours");
        EXPECT_LE(text.Lines, (size + 1) / 2) << size;
        EXPECT_EQ(text.Text.substr(0, 15), "* from random, ");
    }
}

TEST(ShortestRulv, WithinAToleranceTheLinesStayWithinIt) {
    TPaletteArray colors;
    for (int i = 0; i < 256; ++i) colors.push_back(PackColor(i, (i * i) / 255, 255 - i / 2));
    const TRulvText exact = WriteRulv(colors, "");
    const TRulvText loose = WriteRulvWithin(colors, 2.0, "");
    EXPECT_LT(loose.Lines, exact.Lines);
    EXPECT_LE(loose.LargestDifference, 2.0);
    EXPECT_GT(loose.LargestDifference, 0.0);
}

}  // namespace
}  // namespace rulv
