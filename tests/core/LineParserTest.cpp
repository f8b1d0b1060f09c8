// LineParserTest.cpp - ParseLine and its directives, line by line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "colormap/ColorMap.h"
#include "colormap/LineParser.h"
#include "common/Errors.h"

namespace rulv {
namespace {

// The colours one line appends to a fresh list, as RRGGBB texts, or
// "faulty" when the line raises an error.
std::vector<std::string> Parse(const std::string& line, char separator = '.') {
    TPalette palette(separator);
    try {
        palette.ParseLine(line);
    } catch (const std::exception&) {
        return {"faulty"};
    }
    std::vector<std::string> colors;
    for (std::int32_t i = 0; i <= palette.LastIndex(); ++i) {
        colors.push_back(HexColorText(palette.GetItem(i)));
    }
    return colors;
}

std::vector<std::string> Repeat(const std::string& color, int times) { return std::vector<std::string>(times, color); }

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using Colors = std::vector<std::string>;
const Colors kNothing{};
const Colors kFaulty{"faulty"};

TEST(LineParser, WorkedResults) {
    const struct {
        const char* line;
        Colors colors;
    } rows[] = {
        {"#GRAD 000000,FFFFFF,1", {"000000"}},
        {"#GRAD 000000,FFFFFF,2", {"000000", "808080"}},
        {"#GRAD 000000,FFFFFF,10",
         {"000000", "1A1A1A", "333333", "4C4C4C", "666666", "808080", "999999", "B2B2B2", "CCCCCC", "E6E6E6"}},
        {"#GRAD FF0000,0000FF,4", {"FF0000", "BF0040", "7F0080", "4000BF"}},
        {"#GRAD 000000,010000,10", Join(Repeat("000000", 5), Repeat("010000", 5))},
        {"#LINE 0,0.1,0,0,0,0,10", Join(Repeat("000000", 5), Repeat("010000", 5))},
        {"#LINE 0,0.5,0,0,0,0,6", {"000000", "000000", "010000", "020000", "020000", "020000"}},
        {"#LINE 250,1,0,0,10,-1,14",
         {"FA000A", "FB0009", "FC0008", "FD0007", "FE0006", "FF0005", "000004", "010003", "020002", "030001",
          "040000", "050000", "060000", "070000"}},
        {"#LINE 300,0,-1,0,0,0,1", {"2C0000"}},
    };
    for (const auto& row : rows) EXPECT_EQ(Parse(row.line), row.colors) << row.line;
}

TEST(LineParser, ColorLines) {
    const struct {
        const char* line;
        Colors colors;
    } rows[] = {
        {"FF0000", {"FF0000"}},
        {"FF0000 a comment of any text", {"FF0000"}},
        {"FF00001", {"FF0000"}},
        {"ff8000", {"FF8000"}},
        {"12345", {"123405"}},
        {"FF0000\n000000", {"FF0000"}},  // a lone line feed is an ordinary character
        {"FF00", kFaulty},
        {"      ", kFaulty},
        {" FF0000", kFaulty},
        {"\tFF0000", kFaulty},
        {"12345 x", kFaulty},
        {"+12345", kFaulty},
        {"$12345", kFaulty},
        {"GG0000", kFaulty},
        {"\x82\xa0\x82\xa2", kFaulty},  // Japanese text is no colour
    };
    for (const auto& row : rows) EXPECT_EQ(Parse(row.line), row.colors) << '"' << row.line << '"';
}

TEST(LineParser, DirectivesOtherThanTheTwoAreIgnored) {
    for (const char* line : {"#", "#GRA", "#LIN", "#GRAY 000000", "#comment", "##GRAD", "# GRAD 000000,FFFFFF,2"}) {
        EXPECT_EQ(Parse(line), kNothing) << line;
    }
}

TEST(LineParser, GradientSpellings) {
    const Colors ten = Parse("#GRAD 000000,FFFFFF,10");
    ASSERT_EQ(ten.size(), 10u);
    const struct {
        const char* line;
        Colors colors;
    } rows[] = {
        {"#grad 000000,ffffff,10", ten},
        {"#GrAd 000000,FFFFFF,10", ten},
        {"#GRAD 000000 , FFFFFF , 10  ", ten},
        {"#GRAD \t000000,\tFFFFFF,\t10\t", ten},
        {"#GRAD   000000,FFFFFF,10", ten},
        {"#GRAD 000000,FFFFFF,$A", ten},
        {"#GRAD 000000,FFFFFF,0x0A", ten},
        {"#GRAD 000000,FFFFFF,+10", ten},
        {"#GRAD 000000,FFFFFF,-3", kNothing},
        {"#GRAD 000000,FFFFFF,-2147483648", kNothing},
        {"#GRADIENT 000000,FFFFFF,10", kFaulty},
        {"#LINEAR 0,1,0,1,0,1,1", kFaulty},
        {"#GRAD\t000000,FFFFFF,10", kFaulty},
        {"#GRAD", kFaulty},
        {"#GRAD ", kFaulty},
        {"#GRAD 000000,FFFFFF,0", kFaulty},
        {"#GRAD 00000,FFFFFF,10", kFaulty},
        {"#GRAD 000000,FFFFF,10", kFaulty},
        {"#GRAD 0000000,FFFFFF,10", kFaulty},
        {"#GRAD 000000,FFFFFF,10,5", kFaulty},
        {"#GRAD 000000,FFFFFF", kFaulty},
        {"#GRAD 000000,FFFFFF,", kFaulty},
        {"#GRAD 000000;FFFFFF;10", kFaulty},
        {"#GRAD 000000,,FFFFFF,10", kFaulty},
        {"#GRAD 000000,FFFFFF,1 0", kFaulty},
        {"#GRAD 000000,FFFFFF,10.0", kFaulty},
    };
    for (const auto& row : rows) EXPECT_EQ(Parse(row.line), row.colors) << '"' << row.line << '"';
    EXPECT_EQ(Parse("#GRAD 000000,FFFFFF,$10").size(), 16u);
}

TEST(LineParser, GradientNeverLeavesItsRange) {
    // The last colour approaches the end colour without reaching it.
    const Colors down = Parse("#GRAD FFFFFF,000000,255");
    ASSERT_EQ(down.size(), 255u);
    EXPECT_EQ(down.front(), "FFFFFF");
    EXPECT_EQ(down.back(), "010101");
    const Colors many = Parse("#GRAD 00FF00,FF00FF,100000");
    ASSERT_EQ(many.size(), 100000u);
    EXPECT_EQ(many.back(), "FF00FF");  // 255 * 99999 / 100000 rounds up to 255
}

TEST(LineParser, LinearSpellingsAndFaults) {
    const struct {
        const char* line;
        Colors colors;
    } rows[] = {
        {"#LINE 0,1,0,1,0,1,0", kNothing},
        {"#LINE 0,1,0,1,0,1,-5", kNothing},
        {"#line 10 , 0 , 20 , 0 , 30 , 0 , 2", {"0A141E", "0A141E"}},
        {"#LINE 0,1E1,0,0,0,0,3", {"000000", "0A0000", "140000"}},
        {"#LINE 0,.,0,0,0,0,1", {"000000"}},
        {"#LINE 0,-1,0,0,0,0,3", {"000000", "000000", "000000"}},  // below zero shows 0
        {"#LINE -256,1,0,0,0,0,2", {"000000", "000000"}},
        {"#LINE $FF,0,x10,0,0X20,0,1", {"FF1020"}},
        {"#LINE 0,1,0,1,0,1", kFaulty},
        {"#LINE 0,1,0,1,0,1,", kFaulty},
        {"#LINE 0,1,0,1,0,1,1,1", kFaulty},
        {"#LINE 0,1,0,1,0", kFaulty},
        {"#LINE0,1,0,1,0,1,1", kFaulty},
        {"#LINE\t0,1,0,1,0,1,1", kFaulty},
        {"#LINE", kFaulty},
        {"#LINE 0.5,1,0,1,0,1,1", kFaulty},
        {"#LINE 0,1,5,0", kFaulty},
        {"#LINE 0,x,0,1,0,1,1", kFaulty},
        {"#LINE 0,1e400,0,1,0,1,1", kFaulty},  // a slope beyond a double
        {"#LINE 0,1e19,0,0,0,0,2", kFaulty},   // 1 * 1e19 does not fit 64 bits
        {"#LINE 2147483647,9.2233720368547748e18,0,0,0,0,2", kFaulty},  // the sum overflows 64 bits
        {"#LINE 0,1,0,1,0,1,1.5", kFaulty},
    };
    for (const auto& row : rows) EXPECT_EQ(Parse(row.line), row.colors) << '"' << row.line << '"';
}

// A #LINE of plain whole numbers takes a short way; a blank after each comma
// sends the same numbers through the general rules.
TEST(LineParser, WholeNumberLinesReadAsTheGeneralRulesReadThem) {
    const auto spaced = [](const std::string& line) {
        std::string text;
        for (const char c : line) {
            text.push_back(c);
            if (c == ',') text.push_back(' ');
        }
        return text;
    };
    for (const char* line : {
             "#LINE 17,1,200,-1,42,0,3",
             "#LINE 215,-115,22,224,138,-67,2",
             "#LINE 0,255,255,-255,128,3,5",
             "#LINE -256,1,-1,300,999999999,-999999999,4",  // below 0, past 255, nine digits
             "#LINE 007,-01,0,0,0,0,3",                     // leading zeros
             "#LINE 5,-0,0,0,0,0,2",                         // a slope of -0
             "#LINE 1,9999999999,0,0,0,0,2",                 // ten digits
             "#LINE 4294967296,1,0,0,0,0,2",                 // a start beyond 32 bits
             "#LINE 10,-3,20,7,30,1,2049",                   // longer than a short run
             "#LINE 0,1,0,1,0,1,0",
             "#LINE 0,1,0,1,0,1,-2",
             "#LINE 0,1,0,1,0,1,2x",
             "#LINE 0,1,0,1,0,1,2,",
             "#LINE 0,1,0,1,0,-,2",
             "#LINE 0,1,0,1,0,1",
         }) {
        const Colors colors = Parse(line);
        EXPECT_EQ(colors, Parse(spaced(line))) << line;
    }
    EXPECT_EQ(Parse("#LINE 215,-115,22,224,138,-67,2"), (Colors{"D7168A", "64F647"}));
    EXPECT_EQ(Parse("#LINE 10,-3,20,7,30,1,2049").back(), "00141E");  // red below 0; 14356, 2078 rem 256
}

TEST(LineParser, LinearWrapsRoundPast255) {
    const Colors run = Parse("#LINE 0,1,0,1,0,1,300");
    ASSERT_EQ(run.size(), 300u);
    EXPECT_EQ(run[255], "FFFFFF");
    EXPECT_EQ(run[256], "000000");
    EXPECT_EQ(run[299], "2B2B2B");
}

TEST(LineParser, SlopesUseTheGivenDecimalSeparator) {
    EXPECT_EQ(Parse("#LINE 0,0;5,0,0,0,0,3", ';'), (Colors{"000000", "000000", "010000"}));
    EXPECT_EQ(Parse("#LINE 0,0.5,0,0,0,0,3", ';'), kFaulty);
}

TEST(NormalizeCommas, StripsBlanksAroundCommasOnly) {
    const struct {
        const char* text;
        const char* normalized;
    } rows[] = {
        {" 000000 , FFFFFF , 10 ", "000000,FFFFFF,10"},
        {"a b , c d", "a b,c d"},
        {",,", ",,"},
        {" , , ", ",,"},
        {"\t1\t,\x01" "2\x1f", "1,2"},
        {"", ""},
        {"   ", ""},
        {"x", "x"},
        {"\x82\xa0 , \x82\xa2", "\x82\xa0,\x82\xa2"},  // bytes above 127 are no blanks
    };
    for (const auto& row : rows) EXPECT_EQ(NormalizeCommas(row.text), row.normalized) << '"' << row.text << '"';
}

}  // namespace
}  // namespace rulv
