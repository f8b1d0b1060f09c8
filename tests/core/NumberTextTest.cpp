// NumberTextTest.cpp - ParseInteger, ParseReal and HexToInt.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/Errors.h"
#include "common/Extended.h"
#include "common/NumberText.h"

namespace rulv {
namespace {

TEST(ParseInteger, AcceptsEverySpelling) {
    const struct {
        const char* text;
        std::int32_t value;
    } rows[] = {
        {"42", 42},          {" 42", 42},          {"   7", 7},          {"007", 7},
        {"0", 0},            {"+0", 0},            {"-0", 0},           {"+5", 5},
        {"-2147483648", INT32_MIN},                {"2147483647", INT32_MAX},
        {"x1F", 31},         {"X1f", 31},          {"$1F", 31},         {"0x12C", 300},
        {"0X12c", 300},      {"$FFFFFFFF", -1},    {"$80000000", INT32_MIN},
        {"$000000001", 1},   {"  $10", 16},        {"$0", 0},           {"00", 0},
    };
    for (const auto& row : rows) {
        std::int32_t value = 12345;
        EXPECT_TRUE(TryParseInteger(row.text, value)) << '"' << row.text << '"';
        EXPECT_EQ(value, row.value) << '"' << row.text << '"';
        EXPECT_EQ(ParseInteger(row.text), row.value) << '"' << row.text << '"';
    }
}

TEST(ParseInteger, RefusesEverythingElse) {
    const char* rows[] = {
        "",     " ",       "   ",       "+",          "-",           "$",          "x",
        "0x",   "42 ",     "\t42",      "4 2",        "12px",        "abc",        "-$1",
        "+$1",  "- 1",     "2147483648", "-2147483649", "$100000000", "$1G",        "0x-1",
        "1.0",  "1e3",     "yes",       "42\n",       "x 1",         "99999999999999999999",
    };
    for (const char* text : rows) {
        std::int32_t value = 12345;
        EXPECT_FALSE(TryParseInteger(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 12345) << "a refused text must leave the value alone: \"" << text << '"';
        EXPECT_THROW(ParseInteger(text), EConvertError) << '"' << text << '"';
    }
}

TEST(HexToInt, IsParseIntegerWithADollarInFront) {
    const char* texts[] = {"7f", "7F", "00", "ff", "FFFFFFFF", "123456789", "", " 1", "1 ", "-1", "0x1",
                           "$1", "g", "12345678", "0000000000FF"};
    for (const char* text : texts) {
        std::int32_t expected = 0;
        if (TryParseInteger(std::string("$") + text, expected)) {
            EXPECT_EQ(HexToInt(text), expected) << '"' << text << '"';
        } else {
            EXPECT_THROW(HexToInt(text), EConvertError) << '"' << text << '"';
        }
    }
    EXPECT_EQ(HexToInt("7f"), 127);
}

double Real(const char* text, char separator = '.') { return ToDouble(ParseReal(text, separator)); }

TEST(ParseReal, ReadsTheDocumentedForms) {
    const struct {
        const char* text;
        double value;
    } rows[] = {
        {"2.5E1", 25.0}, {".", 0.0},      {"-.", 0.0},    {"+.", 0.0},     {"1E", 1.0},     {"1e+", 1.0},
        {"1.", 1.0},     {".5", 0.5},     {"-0.5", -0.5}, {"  3", 3.0},    {"3  ", 3.0},    {"0.1", 0.1},
        {"1E-1", 0.1},   {"+1.5e0", 1.5}, {"1E-4999", 0.0}, {"007.50", 7.5}, {".E5", 0.0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Real(row.text), row.value) << '"' << row.text << '"';
    }
}

// Whole numbers and fractions over a power of two take a short way that
// needs no rounding; every value must still be the quotient rounded once.
TEST(ParseReal, GivesTheQuotientRoundedToSixtyFourBits) {
    const struct {
        const char* text;
        std::int64_t numerator;
        std::int64_t denominator;
    } rows[] = {
        {"1", 1, 1},           {"-1", -1, 1},          {"17", 17, 1},         {"9007199254740993", 9007199254740993, 1},
        {"0.5", 1, 2},         {"-0.375", -3, 8},      {"2.5E-1", 1, 4},      {"0.0009765625", 1, 1024},
        {"1.5", 3, 2},         {"0.1", 1, 10},         {"-0.3", -3, 10},      {"12.34", 1234, 100},
        {"3814697265625E-18", 3814697265625, 1000000000000000000},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseReal(row.text, '.'), ExtendedQuotient(row.numerator, row.denominator)) << row.text;
    }
}

TEST(ParseReal, RefusesWhatIsNotANumber) {
    const char* rows[] = {"",      " ",   "+",    "-",     "E5",    "e5",   "1,5",  "1 .5", "1.5.", "0x10",
                          "inf",   "nan", "1E5x", "--1",   "1e1.5", "\t1",  "1E5000", "1E0500 0", "1_0",
                          "1e+-5", ",5"};
    for (const char* text : rows) EXPECT_THROW(ParseReal(text, '.'), EConvertError) << '"' << text << '"';
}

TEST(ParseReal, ExponentReadingStopsAt500) {
    // "1E0500" reads 0, 5, 50, 500 and stops at the end: valid (and too large).
    EXPECT_THROW(Real("1E0500"), EOverflow);
    EXPECT_THROW(ParseReal("1E50000", '.'), EConvertError);
    EXPECT_EQ(Real("1E-0499"), 0.0);
    EXPECT_EQ(Real("1E308"), 1e308);
    EXPECT_THROW(Real("1E499"), EOverflow) << "fits the extended range, not a double";
}

TEST(ParseReal, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(Real("1,5", ','), 1.5);
    EXPECT_EQ(Real("-0,25E1", ','), -2.5);
    EXPECT_THROW(ParseReal("1.5", ','), EConvertError);
    EXPECT_EQ(Real(",", ','), 0.0);
}

TEST(ParseReal, LongMantissasRoundOnceAndStayCheap) {
    // 0.1 written with 5000 more zeros and a trailing one: just above 0.1.
    const std::string nearTenth = "0.1" + std::string(5000, '0') + "1";
    const TExtended value = ParseReal(nearTenth, '.');
    EXPECT_EQ(value, ParseReal("0.1", '.')) << "the tail is far below the last bit";
    const std::string manyDigits = std::string(10, '9') + "." + std::string(200000, '9');
    EXPECT_EQ(Real(manyDigits.c_str()), 1e10);
    EXPECT_THROW(ParseReal(std::string(5000, '9'), '.'), EOverflow);
}

// Both scans name the rule that refused a text and where it stopped being
// a number, and leave the caller's value alone.
TEST(NumberScan, NamesTheRuleAndWhereTheTextStopsBeingANumber) {
    enum TScan { IntegerScan, RealScan };
    const struct {
        TScan scan;
        const char* text;
        TNumberFault fault;
        std::size_t offset;
    } rows[] = {
        {IntegerScan, "", TNumberFault::Empty, 0},
        {IntegerScan, "   ", TNumberFault::Empty, 3},
        {IntegerScan, "+", TNumberFault::SignWithoutDigits, 1},
        {IntegerScan, " -x", TNumberFault::SignWithoutDigits, 2},
        {IntegerScan, "-$1", TNumberFault::SignWithoutDigits, 1},
        {IntegerScan, "$", TNumberFault::PrefixWithoutDigits, 1},
        {IntegerScan, "0x", TNumberFault::PrefixWithoutDigits, 2},
        {IntegerScan, "x 1", TNumberFault::PrefixWithoutDigits, 1},
        {IntegerScan, "$G", TNumberFault::PrefixWithoutDigits, 1},
        {IntegerScan, "abc", TNumberFault::UnexpectedCharacter, 0},
        {IntegerScan, "42 ", TNumberFault::UnexpectedCharacter, 2},
        {IntegerScan, "\t42", TNumberFault::UnexpectedCharacter, 0},
        {IntegerScan, "12px", TNumberFault::UnexpectedCharacter, 2},
        {IntegerScan, "$1G", TNumberFault::UnexpectedCharacter, 2},
        {IntegerScan, "2147483648", TNumberFault::OutOfRange, 9},
        {IntegerScan, "-2147483649", TNumberFault::OutOfRange, 10},
        {IntegerScan, "99999999999999999999", TNumberFault::OutOfRange, 9},
        {IntegerScan, "$100000000", TNumberFault::TooManyHexDigits, 9},
        {IntegerScan, "0x0000123456789", TNumberFault::TooManyHexDigits, 14},
        {IntegerScan, "$123456789G", TNumberFault::TooManyHexDigits, 9},
        {RealScan, "", TNumberFault::Empty, 0},
        {RealScan, "  ", TNumberFault::Empty, 2},
        {RealScan, "+", TNumberFault::SignWithoutDigits, 1},
        {RealScan, "-E5", TNumberFault::SignWithoutDigits, 1},
        {RealScan, "E5", TNumberFault::UnexpectedCharacter, 0},
        {RealScan, "1,5", TNumberFault::UnexpectedCharacter, 1},
        {RealScan, "1E5x", TNumberFault::UnexpectedCharacter, 3},
        {RealScan, "1.5.", TNumberFault::UnexpectedCharacter, 3},
        {RealScan, "1E50000", TNumberFault::UnexpectedCharacter, 5},
        {RealScan, "-1e4933", TNumberFault::Overflow, 0},
    };
    for (const auto& row : rows) {
        constexpr std::int32_t kIntegerSentinel = 12345;
        constexpr TExtended kRealSentinel{true, 42, 7};
        std::int32_t integer = kIntegerSentinel;
        TExtended real = kRealSentinel;
        const TNumberScan scan = row.scan == IntegerScan ? ScanInteger(row.text, integer) : ScanReal(row.text, '.', real);
        EXPECT_EQ(scan.Fault, row.fault) << '"' << row.text << '"';
        EXPECT_EQ(scan.Offset, row.offset) << '"' << row.text << '"';
        EXPECT_EQ(integer, kIntegerSentinel) << '"' << row.text << '"';
        EXPECT_EQ(real, kRealSentinel) << '"' << row.text << '"';
    }
}

TEST(ScanReal, TooLargeIsRefusedAtTheStartAndTheExtendedRangeIsWide) {
    TExtended value;
    const TNumberScan huge = ScanReal(" " + std::string(5000, '9'), '.', value);
    EXPECT_EQ(huge.Fault, TNumberFault::Overflow);
    EXPECT_EQ(huge.Offset, 1u);
    EXPECT_TRUE(ScanReal("1E0500", '.', value).Accepted()) << "beyond a double, not beyond the extended range";
    EXPECT_TRUE(ScanReal("2.5E1", '.', value).Accepted());
    EXPECT_EQ(ToDouble(value), 25.0);
}

}  // namespace
}  // namespace rulv
