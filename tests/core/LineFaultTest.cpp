// LineFaultTest.cpp - every fault of a line has its kind and column, and the
// loader reports it beside the line number it always gave.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "colormap/ColorMap.h"
#include "colormap/LineFault.h"

namespace rulv {
namespace {

using K = TLineFaultKind;
using F = TLineField;
using R = TNumberFault;

// One faulty line and what is said of it. Where it matters: the channel
// and the colour index k of a product, the limit of a list that is full
// (the colours it holds), and the reason the reports give.
struct TFaultRow {
    const char* line;
    TLineFaultKind kind;
    std::int64_t column;
    TLineField field = F::None;
    TNumberFault rule = R::None;
    std::optional<TChannel> channel = std::nullopt;
    std::optional<std::int64_t> index = std::nullopt;
    std::int32_t colorLimit = TPalette::kMaxColors;
    const char* reason = nullptr;
};


const TFaultRow kFaultRows[] = {
    // A colour line: the first character that is no hex digit, or the end
    // of a line too short for a colour.
    {"GG0000", K::NotAColor, 1, F::None, R::None, {}, {}, TPalette::kMaxColors,
     "'G' is not a hex digit; a colour line starts with six hex digits RRGGBB"},
    {"FFGG00", K::NotAColor, 3},
    {"FF00", K::NotAColor, 5},
    {"F", K::NotAColor, 2},
    {"   ", K::NotAColor, 1, F::None, R::None, {}, {}, TPalette::kMaxColors,
     "a blank is not a hex digit; a colour line starts with six hex digits RRGGBB"},
    {"\tFF0000", K::NotAColor, 1},
    {"12345 x", K::NotAColor, 6},
    {"+12345", K::NotAColor, 1},
    {"\x82\xa0\x82\xa2", K::NotAColor, 1},
    // The keyword and its blank.
    {"#GRADIENT 000000,FFFFFF,10", K::NoSpaceAfterKeyword, 6},
    {"#GRAD", K::NoSpaceAfterKeyword, 6},
    {"#GRAD\t000000,FFFFFF,10", K::NoSpaceAfterKeyword, 6},
    {"#LINE0,1,0,1,0,1,1", K::NoSpaceAfterKeyword, 6},
    {"#line", K::NoSpaceAfterKeyword, 6},
    {"#GRADIENT 0,0,0", K::NoSpaceAfterKeyword, 6, F::None, R::None, {}, {}, TPalette::kMaxColors,
     "#GRAD must be followed by one blank, not 'I'"},
    // Gradient colours: exactly six hex digits.
    {"#GRAD 00000,FFFFFF,10", K::BadColorField, 12, F::StartColor, R::Empty},
    {"#GRAD 000000,FFFFF,10", K::BadColorField, 19, F::EndColor, R::Empty},
    {"#GRAD 0000000,FFFFFF,10", K::BadColorField, 13, F::StartColor, R::TooManyHexDigits},
    {"#GRAD 00G000,FFFFFF,10", K::BadColorField, 9, F::StartColor, R::UnexpectedCharacter},
    {"#GRAD 000000,,FFFFFF,10", K::BadColorField, 14, F::EndColor, R::Empty},
    {"#GRAD ,FFFFFF,10", K::BadColorField, 7, F::StartColor, R::Empty},
    {"#GRAD \t 00000 ,FFFFFF,10", K::BadColorField, 14, F::StartColor, R::Empty},
    {"#GRAD 00000,FFFFFF,1", K::BadColorField, 12, F::StartColor, R::Empty, {}, 5, TPalette::kMaxColors,
     "the start colour has only 5 hex digits; it needs six"},
    // Commas.
    {"#GRAD 000000;FFFFFF;10", K::MissingComma, 13, F::StartColor},
    {"#GRAD 000000 FFFFFF,10", K::MissingComma, 13, F::StartColor},
    {"#GRAD 000000", K::MissingComma, 13, F::StartColor},
    {"#GRAD 000000,FFFFFF", K::MissingComma, 20, F::EndColor},
    {"#GRAD 000000,FFFFFF  ", K::MissingComma, 20, F::EndColor},
    {"#LINE 0,1,0,1,0,1", K::MissingComma, 18, F::BlueSlope, R::None, {}, {}, TPalette::kMaxColors,
     "expected a comma and the count after the blue slope; the line ends here"},
    {"#LINE 0,1,5,0", K::MissingComma, 14, F::GreenSlope},
    {"#LINE ", K::MissingComma, 7, F::RedStart},
    // Counts and starts: the rule of ParseInteger that refused them.
    {"#GRAD 000000,FFFFFF,1O", K::BadInteger, 22, F::Count, R::UnexpectedCharacter},
    {"#GRAD 000000,FFFFFF,", K::BadInteger, 21, F::Count, R::Empty},
    {"#GRAD 000000,FFFFFF,  ", K::BadInteger, 23, F::Count, R::Empty},
    {"#GRAD 000000,FFFFFF,10,5", K::BadInteger, 23, F::Count, R::UnexpectedCharacter},
    {"#GRAD 000000,FFFFFF,,5", K::BadInteger, 21, F::Count, R::Empty},
    {"#GRAD 000000,FFFFFF,-", K::BadInteger, 22, F::Count, R::SignWithoutDigits},
    {"#GRAD 000000,FFFFFF,-$1", K::BadInteger, 22, F::Count, R::SignWithoutDigits},
    {"#GRAD 000000,FFFFFF,$", K::BadInteger, 22, F::Count, R::PrefixWithoutDigits},
    {"#GRAD 000000,FFFFFF,0x", K::BadInteger, 23, F::Count, R::PrefixWithoutDigits},
    {"#GRAD 000000,FFFFFF,2147483648", K::BadInteger, 30, F::Count, R::OutOfRange},
    {"#GRAD 000000,FFFFFF,-2147483649", K::BadInteger, 31, F::Count, R::OutOfRange},
    {"#GRAD 000000,FFFFFF,99999999999", K::BadInteger, 30, F::Count, R::OutOfRange, {}, {}, TPalette::kMaxColors,
     "the count is out of range; whole numbers lie in -2147483648..2147483647"},
    {"#GRAD 000000,FFFFFF,$123456789", K::BadInteger, 30, F::Count, R::TooManyHexDigits},
    {"#GRAD 000000,FFFFFF,1 0", K::BadInteger, 22, F::Count, R::UnexpectedCharacter},
    {"#LINE 0.5,1,0,1,0,1,1", K::BadInteger, 8, F::RedStart, R::UnexpectedCharacter},
    {"#LINE 0,1,x,1,0,1,1", K::BadInteger, 12, F::GreenStart, R::PrefixWithoutDigits},
    {"#LINE 0,1,0,1,0,1,1.5", K::BadInteger, 20, F::Count, R::UnexpectedCharacter},
    {"#LINE 0,1,0,1,0,1,1,1", K::BadInteger, 20, F::Count, R::UnexpectedCharacter},
    {"#LINE 0,1,0,0,0,0,2;", K::BadInteger, 20, F::Count, R::UnexpectedCharacter, {}, {}, TPalette::kMaxColors,
     "';' cannot stand in the count; it is a whole number, decimal or hex after $, x or 0x"},
    // Slopes: the rule of ParseReal, or a value beyond a double.
    {"#LINE 0,x,0,1,0,1,1", K::BadSlope, 9, F::RedSlope, R::UnexpectedCharacter},
    {"#LINE 0,0.5x,0,0,0,0,10", K::BadSlope, 12, F::RedSlope, R::UnexpectedCharacter},
    {"#LINE 0,,0,0,0,0,1", K::BadSlope, 9, F::RedSlope, R::Empty},
    {"#LINE 0,1,0,-,0,0,1", K::BadSlope, 14, F::GreenSlope, R::SignWithoutDigits},
    {"#LINE 0,1,0,1,0,1;5,2", K::BadSlope, 18, F::BlueSlope, R::UnexpectedCharacter},
    {"#LINE 0,1,0,1,0,1E50000,2", K::BadSlope, 22, F::BlueSlope, R::UnexpectedCharacter},
    {"#LINE 0,1e400,0,1,0,1,1", K::SlopeTooLarge, 9, F::RedSlope},
    {"#LINE 0,1,0,1E0500,0,1,1", K::SlopeTooLarge, 13, F::GreenSlope},
    // Counts of zero and products beyond 64 bits.
    {"#GRAD 000000,FFFFFF,0", K::GradientCountZero, 21, F::Count, R::None, {}, {}, TPalette::kMaxColors,
     "gradient count is 0; a gradient needs at least one colour"},
    {"#GRAD 000000,FFFFFF,$0", K::GradientCountZero, 21, F::Count},
    {"#GRAD 000000 , FFFFFF , 0  ", K::GradientCountZero, 25, F::Count},
    {"#LINE 0,1e19,0,0,0,0,2", K::ProductTooLarge, 9, F::RedSlope, R::None, TChannel::Red, 1},
    {"#LINE 2147483647,9.2233720368547748e18,0,0,0,0,2", K::ProductTooLarge, 18, F::RedSlope},
    {"#LINE 0,0,0,4.7e18,0,0,3", K::ProductTooLarge, 13, F::GreenSlope, R::None, TChannel::Green, 2,
     TPalette::kMaxColors, "colour k = 2 of the run: the green start plus k times the green slope does not fit 64 bits"},
    {"#LINE 0,0,0,0,0,-1e19,2", K::ProductTooLarge, 17, F::BlueSlope, R::None, TChannel::Blue, 1},
    {"#LINE 0,0,0,0,0,1e18,100", K::ProductTooLarge, 17, F::BlueSlope, R::None, TChannel::Blue, 10},
    // A list that is full names its limit.
    {"#GRAD 000000,FFFFFF,5", K::TooManyColors, 21, F::None, R::None, {}, 3, 3},
    {"#LINE 0,1,0,1,0,1,  9", K::TooManyColors, 21, F::None, R::None, {}, 3, 3},
};

TLineFault FaultOf(const std::string& line, std::int32_t colorLimit = TPalette::kMaxColors) {
    TPalette palette('.', colorLimit);
    try {
        palette.ParseLine(line);
    } catch (const ELineFault& fault) {
        return fault.Fault();
    }
    ADD_FAILURE() << '"' << line << "\" is not faulty";
    return {};
}

TEST(LineFault, EveryFaultHasItsKindAndColumn) {
    for (const TFaultRow& row : kFaultRows) {
        const std::string line = row.line;
        const TLineFault fault = FaultOf(line, row.colorLimit);
        EXPECT_EQ(fault.Kind, row.kind) << '"' << line << "\": " << LineFaultKindName(fault.Kind);
        EXPECT_EQ(fault.Column, row.column) << '"' << line << '"';
        EXPECT_EQ(fault.Field, row.field) << '"' << line << '"';
        EXPECT_EQ(fault.Rule, row.rule) << '"' << line << '"';
        const int found = row.column <= static_cast<std::int64_t>(line.size())
                              ? static_cast<unsigned char>(line[static_cast<std::size_t>(row.column - 1)])
                              : -1;
        EXPECT_EQ(fault.Found, found) << '"' << line << '"';
        EXPECT_EQ(fault.Channel, row.channel.value_or(fault.Channel)) << '"' << line << '"';
        EXPECT_EQ(fault.Index, row.index.value_or(fault.Index)) << '"' << line << '"';
        if (row.reason != nullptr) {
            EXPECT_EQ(LineFaultReason(fault), row.reason) << '"' << line << '"';
        } else {
            EXPECT_FALSE(LineFaultReason(fault).empty());
        }
    }
}

TEST(LineFault, TheLoaderGivesTheLineNumberAsBeforeAndTheFaultBesideIt) {
    const TPaletteArray sentinel{0x123456};
    for (const TFaultRow& row : kFaultRows) {
        if (row.colorLimit != TPalette::kMaxColors) continue;  // the loader's list has no other limit
        const std::string data = "* a map\r\n000000\r\n\r\n" + std::string(row.line) + "\r\nFF0000\r\nbad\r\n";
        TPaletteArray colors = sentinel;
        TMemoryInput input(data);
        TColorMapReport report;
        EXPECT_EQ(ReadColorMap(input, colors, '.', &report), 4) << row.line;
        EXPECT_EQ(colors, sentinel) << row.line;
        ASSERT_TRUE(report.Fault.has_value()) << row.line;
        EXPECT_EQ(*report.Fault, FaultOf(row.line)) << row.line;
        EXPECT_EQ(report.FaultyLine, row.line);
        EXPECT_FALSE(report.FaultyLineCut);
        EXPECT_EQ(report.Lines, 4) << "nothing is read after the faulty line";
    }
}

// A list of one colour refuses a second colour line, at its first column.
TEST(LineFault, AListThatIsFullRefusesAColorLine) {
    TPalette palette('.', 1);
    palette.ParseLine("FF0000");
    try {
        palette.ParseLine("00FF00");
        ADD_FAILURE() << "a second colour went into a list of one";
    } catch (const ELineFault& fault) {
        EXPECT_EQ(fault.Fault().Kind, K::TooManyColors);
        EXPECT_EQ(fault.Fault().Column, 1);
    }
}

TEST(LineFault, ALongColorLineKeepsItsStartForTheReport) {
    // Longer than a read of the loader: only its start is kept.
    const std::string line = "12345" + std::string(200'000, 'x');
    const std::string data = line + "\r\n";
    TPaletteArray colors;
    TMemoryInput input(data);
    TColorMapReport report;
    ASSERT_EQ(ReadColorMap(input, colors, '.', &report), 1);
    EXPECT_EQ(report.Fault->Column, 6);
    EXPECT_EQ(report.FaultyLine, line.substr(0, report.FaultyLine.size()));
    EXPECT_GE(report.FaultyLine.size(), 100u);
    EXPECT_LT(report.FaultyLine.size(), 1000u);
    EXPECT_TRUE(report.FaultyLineCut);
}

TEST(LineFault, AMapWithoutColorsCountsItsLines) {
    const std::string data = "* a\r\n\r\n#NOTE\r\n#GRAD 000000,FFFFFF,-1\r\n#LINE 0,0,0,0,0,0,0\r\n\r\n";
    TPaletteArray colors;
    TMemoryInput input(data);
    TColorMapReport report;
    ASSERT_EQ(ReadColorMap(input, colors, '.', &report), kColorMapNoColors);
    EXPECT_FALSE(report.Fault.has_value());
    EXPECT_EQ(report.Lines, 6);
    EXPECT_EQ(report.EmptyLines, 2);
    EXPECT_EQ(report.CommentLines, 1);
    EXPECT_EQ(report.IgnoredDirectives, 1);
    EXPECT_EQ(report.EmptyRuns, 2);
}

}  // namespace
}  // namespace rulv
