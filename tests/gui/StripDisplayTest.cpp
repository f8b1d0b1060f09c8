// StripDisplayTest.cpp - the colour strip in the real paint box: pixels,
// the pointer readout, the simulated views, the display palette and GDI
// objects.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "app/MainRules.h"
#include "colormap/ColumnMapping.h"
#include "resources/resource.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/SeamGuard.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"
#include "tests/support/Wait.h"
#include "ui/Application.h"
#include "ui/Handles.h"

namespace rulv::test {
namespace {

constexpr int kHeight = 30;

COLORREF Expected(const TPaletteArray& colors, int width, int x) {
    const TColumnMapping mapping(width, static_cast<std::int32_t>(colors.size()));
    return static_cast<COLORREF>(colors[static_cast<size_t>(mapping.IndexOf(x))]);
}

class StripDisplay : public ::testing::Test {
protected:
    // The window showing `colors` in a paint box `width` wide.
    void Show(TViewerWindow& window, const TPaletteArray& colors, int width) {
        window.Drop({FFolder.Write(L"map" + std::to_wstring(++FSerial) + L".rulv", MapText(colors))});
        ASSERT_TRUE(window->Loaded());
        window.ResizePaintBox(width, kHeight);
        ASSERT_EQ(window->pbxShow.Width(), width);
    }

    TTempFolder FFolder;
    int FSerial = 0;
};

TEST_F(StripDisplay, EveryColumnShowsItsMappedEntryInEveryRow) {
    const struct {
        int width;
        int count;
    } rows[] = {{20, 6}, {40, 7}, {7, 50}, {33, 300}, {25, 1}, {64, 64}};
    TViewerWindow window;
    for (const auto& row : rows) {
        const TPaletteArray colors = DistinctColors(row.count);
        Show(window, colors, row.width);
        const HWND box = window->pbxShow.Handle();
        for (int x = 0; x < row.width; ++x) {
            for (const int y : {0, kHeight / 2, kHeight - 1}) {
                EXPECT_EQ(PixelOf(box, x, y), Expected(colors, row.width, x))
                    << "W=" << row.width << " n=" << row.count << " x=" << x << " y=" << y;
            }
        }
    }
}

TEST_F(StripDisplay, TwentyColumnsOfSixColorsPutTheBoundaryColumnLow) {
    // Columns 0-3 entry 0, 4-6 entry 1, 7-10 entry 2 (column 10 lies on the
    // boundary and comes out low), as the scale is rounded to a double.
    const int entryOf[] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2};
    TViewerWindow window;
    const TPaletteArray colors = DistinctColors(6);
    Show(window, colors, 20);
    for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(PixelOf(window->pbxShow.Handle(), x, 0), static_cast<COLORREF>(colors[entryOf[x]])) << x;
    }
    EXPECT_EQ(PixelOf(window->pbxShow.Handle(), 19, kHeight - 1), static_cast<COLORREF>(colors[5]));
}

TEST_F(StripDisplay, OneColorFillsTheBoxAndReadsZeroOfZero) {
    TViewerWindow window;
    Show(window, {0x00336699}, 50);
    for (int x = 0; x < 50; x += 7) EXPECT_EQ(PixelOf(window->pbxShow.Handle(), x, 5), RGB(0x99, 0x66, 0x33));
    for (const int x : {0, 25, 49}) {
        window.MoveOverPaintBox(x);
        EXPECT_EQ(PanelText(window.Form(), 0), L"\t\t0/0");
        EXPECT_EQ(PanelText(window.Form(), 1), L"\t996633");
    }
}

TEST_F(StripDisplay, ReadoutNamesThePaintedEntryAndIgnoresPositionsOutside) {
    TViewerWindow window;
    const TPaletteArray colors = DistinctColors(6);
    Show(window, colors, 20);
    auto hex = [&](int i) { return L"\t" + HexColorReadout(colors[static_cast<size_t>(i)]); };
    const struct {
        int x;
        const wchar_t* index;  // nullptr: both panels keep their text
        int entry;
    } rows[] = {
        {0, L"0/5", 0},   {10, L"2/5", 2},  {11, L"3/5", 3},  {19, L"5/5", 5},
        {-1, L"0/5", 0},  // less than a stripe left of the box: entry 0
        {3, L"0/5", 0},   {-4, nullptr, 0}, {-400, nullptr, 0},
        {20, L"5/5", 5},  // X = W: the scale was rounded up, so n-1
        {7, L"2/5", 2},   {21, nullptr, 0}, {5000, nullptr, 0},
    };
    std::wstring index, color;
    for (const auto& row : rows) {
        window.MoveOverPaintBox(row.x);
        if (row.index) {
            index = std::wstring(L"\t\t") + row.index;
            color = hex(row.entry);
            // The readout names what the column shows.
            if (row.x >= 0 && row.x < 20) {
                EXPECT_EQ(PixelOf(window->pbxShow.Handle(), row.x, 0), static_cast<COLORREF>(colors[row.entry]));
            }
        }
        EXPECT_EQ(PanelText(window.Form(), 0), index) << row.x;
        EXPECT_EQ(PanelText(window.Form(), 1), color) << row.x;
    }
}

// The width a status panel takes on screen, and the width its text needs.
int PanelWidth(TfrmMain& form, int panel) {
    RECT rect{};
    SendMessageW(form.stbStatus.Handle(), SB_GETRECT, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(&rect));
    return rect.right - rect.left;
}

int TextWidth(TfrmMain& form, const std::wstring& text) {
    const HWND bar = form.stbStatus.Handle();
    const HDC dc = GetDC(bar);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
    return size.cx;
}

TEST_F(StripDisplay, AViewRepaintsTheStripAndWidensTheColorReadoutToHoldBothColors) {
    TViewerWindow window;
    TfrmMain& form = window.Form();
    const TPaletteArray colors{0x8F523F, 0x0000FF, 0xFEDCBA};
    Show(window, colors, 30);
    window.MoveOverPaintBox(1);
    ASSERT_EQ(PanelText(form, 1), L"\t3F528F");
    const int designed = PanelWidth(form, 1);
    const struct {
        UINT command;
        TVisionView view;
        const wchar_t* readout;
        const wchar_t* note;
    } rows[] = {
        {IDC_STRIP_VIEW_GREY, TVisionView::Grey, L"555555 (3F528F)", L"ｸﾞﾚｰで表示中"},
        {IDC_STRIP_VIEW_PROTAN, TVisionView::Protan, L"385991 (3F528F)", L"1型色覚の見え方で表示中"},
        {IDC_STRIP_VIEW_DEUTAN, TVisionView::Deutan, L"2F528E (3F528F)", L"2型色覚の見え方で表示中"},
        {IDC_STRIP_VIEW_TRITAN, TVisionView::Tritan, L"145F69 (3F528F)", L"3型色覚の見え方で表示中"},
        {IDC_STRIP_VIEW_NORMAL, TVisionView::Normal, L"3F528F", L""},
    };
    for (const auto& row : rows) {
        window.Command(row.command);
        window.Repaint();
        EXPECT_EQ(form.View(), row.view);
        // The readout follows at once, without a pointer move.
        EXPECT_EQ(PanelText(form, 1), std::wstring(L"\t") + row.readout) << row.readout;
        EXPECT_EQ(PanelText(form, 2), row.note);
        // The strip in the view (every column: the render match test).
        EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 1, 5), static_cast<COLORREF>(SimulateView(colors[0], row.view)));
        if (row.view == TVisionView::Normal) {
            EXPECT_EQ(PanelWidth(form, 1), designed);
        } else {
            EXPECT_GT(PanelWidth(form, 1), TextWidth(form, row.readout)) << row.readout;
        }
    }
}

TEST_F(StripDisplay, TwoColumnsOfTenColors) {
    TViewerWindow window;
    const TPaletteArray colors = DistinctColors(10);
    Show(window, colors, 2);
    window.MoveOverPaintBox(1);
    EXPECT_EQ(PanelText(window.Form(), 0), L"\t\t4/9");
    EXPECT_EQ(PixelOf(window->pbxShow.Handle(), 1, 0), static_cast<COLORREF>(colors[4]));
}

TEST_F(StripDisplay, NothingShownOrReadWithoutAMapOrWidth) {
    TViewerWindow window;
    window.ResizePaintBox(30, kHeight);
    window.MoveOverPaintBox(3);
    EXPECT_EQ(PanelText(window.Form(), 0), L"\t\t");
    EXPECT_EQ(PanelText(window.Form(), 1), L"\t");
    EXPECT_EQ(PixelOf(window->pbxShow.Handle(), 3, 3), GetSysColor(COLOR_BTNFACE));

    const TPaletteArray colors = DistinctColors(4);
    Show(window, colors, 30);
    window.MoveOverPaintBox(29);
    EXPECT_EQ(PanelText(window.Form(), 0), L"\t\t3/3");
    // A box squeezed to nothing: nothing drawn, nothing read.
    window.ResizePaintBox(0, kHeight);
    window.MoveOverPaintBox(0);
    EXPECT_EQ(PanelText(window.Form(), 0), L"\t\t3/3");
    // A new map leaves the readout as it was until the pointer moves.
    Show(window, DistinctColors(9), 30);
    EXPECT_EQ(PanelText(window.Form(), 0), L"\t\t3/3");
}

TEST_F(StripDisplay, NoPaletteWithoutA256EntrySystemPalette) {
    TViewerWindow window;
    Show(window, DistinctColors(10), 10);
    EXPECT_EQ(window->PaletteHandle(), nullptr);
}

class PaletteDisplay : public StripDisplay {
protected:
    // A display that works through a 256-entry system palette.
    const TSeamGuard<TfrmMain::TSystemPaletteSize> FPaletteSize{TfrmMain::SystemPaletteSize,
                                                               [](HDC) { return 256; }};
};

TEST_F(PaletteDisplay, PaletteHoldsTheFirst256Colors) {
    const struct {
        int count;
        int filled;
    } rows[] = {{300, 256}, {256, 256}, {10, 10}};
    TViewerWindow window;
    for (const auto& row : rows) {
        const TPaletteArray colors = DistinctColors(row.count);
        Show(window, colors, 40);
        const HPALETTE palette = window->PaletteHandle();
        ASSERT_NE(palette, nullptr);
        WORD entries = 0;
        GetObjectW(palette, sizeof(entries), &entries);
        EXPECT_EQ(entries, 256);
        PALETTEENTRY got[256]{};
        ASSERT_EQ(GetPaletteEntries(palette, 0, 256, got), 256u);
        for (int i = 0; i < row.filled; ++i) {
            EXPECT_EQ(RGB(got[i].peRed, got[i].peGreen, got[i].peBlue), static_cast<COLORREF>(colors[i]))
                << row.count << " entry " << i;
            EXPECT_EQ(got[i].peFlags, PC_NOCOLLAPSE);
        }
        // Painting through the palette shows the same colours.
        EXPECT_EQ(PixelOf(window->pbxShow.Handle(), 39, 0), Expected(colors, 40, 39));
    }
    // A failed load keeps the palette.
    const HPALETTE before = window->PaletteHandle();
    TMessageBoxWatcher watcher;
    window.Drop({FFolder.Write(L"bad.rulv", "XYZ\r\n")});
    ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; }));
    EXPECT_EQ(window->PaletteHandle(), before);
}

TEST_F(PaletteDisplay, HundredLoadsAndPaintsLeaveNoPenOrPalette) {
    const long pens = ui::TGdiCounters::Pens;
    const long palettes = ui::TGdiCounters::Palettes;
    {
        TViewerWindow window;
        const std::wstring many = FFolder.Write(L"many.rulv", MapText(DistinctColors(500)));
        const std::wstring few = FFolder.Write(L"few.rulv", MapText(DistinctColors(3)));
        window.ResizePaintBox(300, kHeight);
        for (int i = 0; i < 100; ++i) {
            window.Drop({i % 2 ? many : few});
            window.Repaint();
            ASSERT_EQ(ui::TGdiCounters::Pens, pens) << i;
            ASSERT_EQ(ui::TGdiCounters::Palettes, palettes + 1) << i;
        }
        // The last load (many colours) was really painted.
        EXPECT_EQ(PixelOf(window->pbxShow.Handle(), 299, 0), Expected(DistinctColors(500), 300, 299));
    }
    EXPECT_EQ(ui::TGdiCounters::Pens, pens);
    EXPECT_EQ(ui::TGdiCounters::Palettes, palettes);
}

}  // namespace
}  // namespace rulv::test
