// RgbTest.cpp - TRgb: clamped channels, hex colour text and packing.
#include <gtest/gtest.h>

#include "colormap/Rgblib.h"
#include "common/Errors.h"

namespace rulv {
namespace {

TEST(Rgb, NewColorIsBlack) { EXPECT_EQ(TRgb().GetColor(), 0); }

TEST(Rgb, SettersClampToAByte) {
    const struct {
        std::int32_t value;
        std::int32_t stored;
    } rows[] = {{-5, 0}, {0, 0}, {255, 255}, {300, 255}, {INT32_MIN, 0}, {INT32_MAX, 255}, {128, 128}};
    for (const auto& row : rows) {
        TRgb rgb;
        rgb.SetRed(row.value);
        rgb.SetGreen(row.value);
        rgb.SetBlue(row.value);
        EXPECT_EQ(rgb.GetColor(), row.stored * 0x010101) << row.value;
    }
}

TEST(Rgb, SetHexReadsRedFirstAndPacksRedLow) {
    const struct {
        const char* text;
        TPackedColor packed;
    } rows[] = {
        {"FF8000", 0x0080FF}, {"ff8000", 0x0080FF}, {"12345", 0x053412}, {"FF00001", 0x0000FF},
        {"000000", 0},        {"FFFFFF", 0xFFFFFF}, {"abcdef and more", 0xEFCDAB},
    };
    for (const auto& row : rows) {
        TRgb rgb;
        rgb.SetHex(row.text);
        EXPECT_EQ(rgb.GetColor(), row.packed) << row.text;
    }
}

TEST(Rgb, SetHexRefusesShortOrBlankPieces) {
    for (const char* text : {"1234", " 12345", "12 345", "", "FF00", "-10000", "$12345", "12345 ", "GG0000"}) {
        TRgb rgb;
        EXPECT_THROW(rgb.SetHex(text), EConvertError) << '"' << text << '"';
    }
}

TEST(Rgb, SetHexKeepsChannelsStoredBeforeAFailure) {
    TRgb rgb;
    EXPECT_THROW(rgb.SetHex("AB12"), EConvertError);
    EXPECT_EQ(rgb.Red(), 0xAB);
    EXPECT_EQ(rgb.Green(), 0x12);
    EXPECT_EQ(rgb.Blue(), 0);
}

TEST(PackedColor, ChannelsAndHexTextRedFirst) {
    const struct {
        int red, green, blue;
        TPackedColor packed;
        const char* text;
    } rows[] = {
        {0x99, 0x66, 0x33, 0x00336699, "996633"}, {0, 0, 0, 0, "000000"},         {255, 255, 255, 0xFFFFFF, "FFFFFF"},
        {0xFF, 0x80, 0x00, 0x0080FF, "FF8000"},    {0x0A, 0xB0, 0xC1, 0xC1B00A, "0AB0C1"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PackColor(row.red, row.green, row.blue), row.packed) << row.text;
        EXPECT_EQ(RedOf(row.packed), row.red) << row.text;
        EXPECT_EQ(GreenOf(row.packed), row.green) << row.text;
        EXPECT_EQ(BlueOf(row.packed), row.blue) << row.text;
        EXPECT_EQ(HexColorText(row.packed), row.text);
        TRgb rgb;
        rgb.SetHex(row.text);
        EXPECT_EQ(rgb.GetColor(), row.packed) << "the text reads back as the colour: " << row.text;
    }
}

}  // namespace
}  // namespace rulv
