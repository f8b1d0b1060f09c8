// MainRulesTest.cpp - the main window's rules that need no window.
#include <gtest/gtest.h>

#include "app/MainRules.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/OpenDialog.h"
#include "ui/Dpi.h"

namespace rulv {
namespace {

TEST(FilePart, CutAtLastBackslashOrColon) {
    const struct {
        const wchar_t* name;
        const wchar_t* part;
    } rows[] = {
        {L"C:\\maps\\sunset.rulv", L"sunset.rulv"},
        {L"C:sunset.rulv", L"sunset.rulv"},
        {L"sunset.rulv", L"sunset.rulv"},
        {L"..\\a\\b:c.rulv", L"c.rulv"},
        {L"C:\\maps\\", L""},
        // 表 and ソ end in 0x5C in code page 932; in UTF-16 they are letters.
        {L"C:\\表示\\ソフト.rulv", L"ソフト.rulv"},
        {L"表ソ.rulv", L"表ソ.rulv"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FilePart(row.name), row.part) << row.name;
    }
    EXPECT_EQ(LoadedTitle(L"C:\\maps\\sunset.rulv"), L"sunset.rulv - RULV Viewer");
}

TEST(CommandLine, WordsSeparatedByBlanksAndControlCharacters) {
    const struct {
        const wchar_t* line;
        std::vector<std::wstring> words;
    } rows[] = {
        {L"RulvView.exe", {L"RulvView.exe"}},
        {L"RulvView.exe a.rulv b.rulv", {L"RulvView.exe", L"a.rulv", L"b.rulv"}},
        {L"\"C:\\Program Files\\RulvView.exe\"  \"C:\\my maps\\a.rulv\" x",
         {L"C:\\Program Files\\RulvView.exe", L"C:\\my maps\\a.rulv", L"x"}},
        {L"v\ta.rulv\x01" L"b", {L"v", L"a.rulv", L"b"}},
        {L"v ab\"c d\"e", {L"v", L"abc de"}},
        {L"v \"\" a", {L"v", L"a"}},
        {L"v \"open", {L"v", L"open"}},
        {L"   ", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SplitCommandLine(row.line), row.words) << row.line;
    }
    EXPECT_EQ(FirstArgument(L"RulvView.exe"), L"");
    EXPECT_EQ(FirstArgument(L"RulvView.exe \"C:\\my maps\\a.rulv\" second.rulv"), L"C:\\my maps\\a.rulv");
}

TEST(Readout, IndexAgainstLastIndex) {
    EXPECT_EQ(IndexReadout(17, 256), L"17/255");
    EXPECT_EQ(IndexReadout(0, 1), L"0/0");
}

TEST(Readout, HexColourRedFirst) {
    const struct {
        TPackedColor color;
        const wchar_t* text;
    } rows[] = {
        {0x00336699, L"996633"}, {0x000000FF, L"FF0000"}, {0x0000FF00, L"00FF00"},
        {0x00FF0000, L"0000FF"}, {0, L"000000"},          {0x00ABCDEF, L"EFCDAB"},
    };
    for (const auto& row : rows) EXPECT_EQ(HexColorText(row.color), row.text) << row.color;
}

TEST(DisplayPalette, RecordTakesTheFirst256Colours) {
    const struct {
        int colors;
        int filled;
    } rows[] = {{300, 256}, {256, 256}, {10, 10}, {1, 1}};
    for (const auto& row : rows) {
        TPaletteArray colors;
        for (int i = 0; i < row.colors; ++i) colors.push_back(((i * 7) % 256) << 16 | ((i * 3) % 256) << 8 | (i % 256));
        const auto record = BuildDisplayPalette(colors, row.colors);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->palVersion, 0x300);
        EXPECT_EQ(record->palNumEntries, 256);
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = record->palPalEntry[i];
            if (i < row.filled) {
                EXPECT_EQ(e.peRed, i % 256) << row.colors << " entry " << i;
                EXPECT_EQ(e.peGreen, (i * 3) % 256) << row.colors << " entry " << i;
                EXPECT_EQ(e.peBlue, (i * 7) % 256) << row.colors << " entry " << i;
                EXPECT_EQ(e.peFlags, PC_NOCOLLAPSE);
            } else {
                EXPECT_EQ(e.peRed | e.peGreen | e.peBlue | e.peFlags, 0) << row.colors << " entry " << i;
            }
        }
    }
}

TEST(StandardErrorReport, FullStopAfterCharactersAboveIt) {
    const struct {
        const wchar_t* text;
        const wchar_t* shown;
    } rows[] = {
        {L"", L""},           {L"Disk full", L"Disk full."}, {L"Done.", L"Done."},
        {L"(x)", L"(x)"},    {L"a-", L"a-"},                {L"a,", L"a,"},
        {L"a/", L"a/."},      {L"ファイル", L"ファイル."},
    };
    for (const auto& row : rows) EXPECT_EQ(ui::ReportText(row.text), row.shown) << row.text;
}

TEST(Hints, ShortAndLongParts) {
    EXPECT_EQ(ui::ShortHint(L"開く|RULVﾌｧｲﾙを開きます"), L"開く");
    EXPECT_EQ(ui::LongHint(L"開く|RULVﾌｧｲﾙを開きます"), L"RULVﾌｧｲﾙを開きます");
    EXPECT_EQ(ui::ShortHint(L"終了"), L"終了");
    EXPECT_EQ(ui::LongHint(L"終了"), L"終了");
}

TEST(OpenDialog, FilterPairsSeparatedByNul) {
    const std::wstring filter = ui::DialogFilter(L"RULVﾌｧｲﾙ(*.rulv)|*.rulv|全てのﾌｧｲﾙ|*");
    const wchar_t expected[] = L"RULVﾌｧｲﾙ(*.rulv)\0*.rulv\0全てのﾌｧｲﾙ\0*\0\0";
    EXPECT_EQ(filter, std::wstring(expected, std::size(expected) - 1));
}

TEST(Dpi, LengthsScaleFrom96) {
    EXPECT_EQ(ui::Scale(435, 96), 435);
    EXPECT_EQ(ui::Scale(27, 144), 41);  // 40.5 rounds up
    EXPECT_EQ(ui::Scale(25, 192), 50);
    EXPECT_EQ(ui::Scale(-12, 144), -18);
}

}  // namespace
}  // namespace rulv
