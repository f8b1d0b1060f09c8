// MainRulesTest.cpp - the main window's rules that need no window: title,
// command line, readout texts, the pace of reading a followed file and the
// display palette record.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/MainRules.h"

namespace rulv {
namespace {

TEST(Title, FilePartThenTheApplicationName) {
    EXPECT_EQ(LoadedTitle(L"C:\\maps\\sunset.rulv"), L"sunset.rulv - RULV Viewer");
    EXPECT_EQ(LoadedTitle(L"sunset.rulv"), L"sunset.rulv - RULV Viewer");
    EXPECT_EQ(LoadedTitle(L"C:\\表示\\ソフト.rulv"), L"ソフト.rulv - RULV Viewer");
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
        EXPECT_EQ(CommandLineWords(row.line), row.words) << row.line;
    }
    EXPECT_EQ(FirstArgument(L"RulvView.exe"), L"");
    EXPECT_EQ(FirstArgument(L"RulvView.exe \"C:\\my maps\\a.rulv\" second.rulv"), L"C:\\my maps\\a.rulv");
}

TEST(Readout, IndexAgainstLastIndex) {
    EXPECT_EQ(IndexReadout(17, 256), L"17/255");
    EXPECT_EQ(IndexReadout(0, 1), L"0/0");
}

TEST(Readout, HexColorRedFirst) {
    const struct {
        TPackedColor color;
        const wchar_t* text;
    } rows[] = {
        {0x00336699, L"996633"}, {0x000000FF, L"FF0000"}, {0x0000FF00, L"00FF00"},
        {0x00FF0000, L"0000FF"}, {0, L"000000"},          {0x00ABCDEF, L"EFCDAB"},
    };
    for (const auto& row : rows) EXPECT_EQ(HexColorReadout(row.color), row.text) << row.color;
}

TEST(Readout, SimulatedColorFirstThenTheMapsOwn) {
    // Expected colours worked out apart from the program (linear sRGB, the
    // view's matrix, clamped, encoded, rounded); 3F528F is 0x8F523F packed.
    const struct {
        TVisionView view;
        TPackedColor color;
        const wchar_t* text;
    } rows[] = {
        {TVisionView::Normal, 0x8F523F, L"3F528F"},
        {TVisionView::Grey, 0x8F523F, L"555555 (3F528F)"},
        {TVisionView::Protan, 0x8F523F, L"385991 (3F528F)"},
        {TVisionView::Deutan, 0x8F523F, L"2F528E (3F528F)"},
        {TVisionView::Tritan, 0x8F523F, L"145F69 (3F528F)"},
        {TVisionView::Protan, 0x0000FF, L"6D5F00 (FF0000)"},
        {TVisionView::Tritan, 0x60C020, L"00BDAA (20C060)"},
        {TVisionView::Deutan, 0x808080, L"808080 (808080)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ViewedColorReadout(row.color, row.view), row.text) << VisionViewName(row.view);
    }
}

TEST(FollowPacer, ReadsSettleAndStayTwoHundredMillisecondsApart) {
    // Each step: a change noticed (the delay the pacer asks for, -1 for
    // none: a read is due already) or the due read made, at a time in ms.
    struct TStep {
        bool change;
        std::int64_t at;
        std::int64_t delay;
    };
    const struct {
        const char* name;
        std::vector<TStep> steps;
    } rows[] = {
        {"first change", {{true, 1000, 50}}},
        {"changes while due", {{true, 1000, 50}, {true, 1010, -1}, {true, 1049, -1}}},
        {"soon after a read", {{true, 0, 50}, {false, 50, 0}, {true, 60, 190}}},
        {"long after a read", {{true, 0, 50}, {false, 50, 0}, {true, 5000, 50}}},
        {"just under the spacing", {{true, 0, 50}, {false, 50, 0}, {true, 200, 50}}},
        {"a read postponed", {{true, 0, 50}, {false, 900, 0}, {true, 950, 150}}},
    };
    for (const auto& row : rows) {
        TFollowPacer pacer;
        for (const TStep& step : row.steps) {
            if (!step.change) {
                EXPECT_TRUE(pacer.Due()) << row.name;
                pacer.Read(step.at);
                EXPECT_FALSE(pacer.Due()) << row.name;
                continue;
            }
            EXPECT_EQ(pacer.Changed(step.at).value_or(-1), step.delay) << row.name << " at " << step.at;
            EXPECT_TRUE(pacer.Due()) << row.name;
        }
    }
}

TEST(DisplayPalette, RecordTakesTheFirst256Colors) {
    const struct {
        int colors;
        int filled;
    } rows[] = {{300, 256}, {256, 256}, {10, 10}, {1, 1}};
    for (const auto& row : rows) {
        TPaletteArray colors;
        for (int i = 0; i < row.colors; ++i) colors.push_back(PackColor(i % 256, (i * 3) % 256, (i * 7) % 256));
        const TDisplayPaletteRecord record = BuildDisplayPalette(colors, row.colors);
        EXPECT_EQ(record.Version, 0x300);
        EXPECT_EQ(record.Count, 256);
        for (int i = 0; i < 256; ++i) {
            const TPaletteEntry& e = record.Entries[i];
            if (i < row.filled) {
                EXPECT_EQ(e.Red, i % 256) << row.colors << " entry " << i;
                EXPECT_EQ(e.Green, (i * 3) % 256) << row.colors << " entry " << i;
                EXPECT_EQ(e.Blue, (i * 7) % 256) << row.colors << " entry " << i;
                EXPECT_EQ(e.Flags, 4);
            } else {
                EXPECT_EQ(e.Red | e.Green | e.Blue | e.Flags, 0) << row.colors << " entry " << i;
            }
        }
    }
}

}  // namespace
}  // namespace rulv
