// StripPainterTest.cpp - the strip's two ways onto a device: a brush of one
// row of pixels and one pen line per column give the same pixels, in a
// memory DC holding a 32-bit bitmap, at widths below, at and above the
// number of colours, and wherever the DC puts its origin.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/StripPainter.h"
#include "colormap/ColumnMapping.h"
#include "tests/support/ViewerWindow.h"
#include "ui/Handles.h"

namespace rulv::test {
namespace {

// A colour no strip of DistinctColors contains: pixels not painted keep it.
constexpr std::uint32_t kUnpainted = 0x00FEDCBA;

// A memory DC with a top-down 32-bit bitmap, every pixel kUnpainted.
class TPixelSurface {
public:
    TPixelSurface(int width, int height) : FWidth(width), FHeight(height), FDc(nullptr) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        FBits = static_cast<std::uint32_t*>(bits);
        std::fill(FBits, FBits + static_cast<std::size_t>(width) * height, kUnpainted);
        FSelect.emplace(FDc.Get(), FBitmap.Get());
    }
    HDC Dc() const { return FDc.Get(); }
    bool Valid() const { return FBits != nullptr; }
    // The pixels as COLORREFs (red in the low byte), row by row.
    std::vector<COLORREF> Pixels() const {
        GdiFlush();
        std::vector<COLORREF> pixels;
        for (std::size_t i = 0; i < static_cast<std::size_t>(FWidth) * FHeight; ++i) {
            const std::uint32_t p = FBits[i];
            pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
        return pixels;
    }

private:
    int FWidth, FHeight;
    ui::TMemoryDC FDc;
    ui::TBitmapHandle FBitmap;
    std::uint32_t* FBits = nullptr;
    std::optional<ui::TSelectGuard> FSelect;
};

TEST(StripPainter, ARowBrushAndPenLinesGiveTheSamePixels) {
    const struct {
        int width, count, height;
        POINT origin;  // the DC's viewport origin
        const char* what;
    } rows[] = {
        {20, 6, 30, {0, 0}, "W = 20, n = 6"},
        {7, 50, 10, {0, 0}, "W < n"},
        {64, 10, 10, {0, 0}, "W > n"},
        {1, 5, 10, {0, 0}, "W = 1"},
        {5, 5, 3, {0, 0}, "W = n"},
        {33, 300, 1500, {0, 0}, "a tall box"},
        {1000, 1000000, 4, {0, 0}, "a million colours"},
        {20, 6, 30, {5, 3}, "the origin moved"},
        {13, 4, 9, {-6, 2}, "the origin moved left"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const TPaletteArray colors = DistinctColors(row.count);
        // The surface leaves room round the area for a moved origin.
        const int surfaceWidth = row.width + 12, surfaceHeight = row.height + 6;
        TPixelSurface lines(surfaceWidth, surfaceHeight), brush(surfaceWidth, surfaceHeight);
        ASSERT_TRUE(lines.Valid() && brush.Valid());
        for (const TPixelSurface* surface : {&lines, &brush}) {
            SetViewportOrgEx(surface->Dc(), row.origin.x, row.origin.y, nullptr);
        }
        const long objects = ui::TGdiCounters::OtherObjects;
        const long pens = ui::TGdiCounters::Pens;
        PaintStripLines(lines.Dc(), colors, row.width, row.height);
        ASSERT_TRUE(PaintStripRow(brush.Dc(), colors, row.width, row.height));
        EXPECT_EQ(ui::TGdiCounters::OtherObjects, objects) << "the brush is gone";
        EXPECT_EQ(ui::TGdiCounters::Pens, pens) << "the pens are gone";

        const std::vector<COLORREF> byLines = lines.Pixels(), byBrush = brush.Pixels();
        ASSERT_EQ(byLines.size(), byBrush.size());
        int differences = 0;
        for (std::size_t i = 0; i < byLines.size() && differences < 5; ++i) {
            if (byLines[i] != byBrush[i]) {
                ++differences;
                ADD_FAILURE() << "pixel " << i % surfaceWidth << "," << i / surfaceWidth << ": lines "
                              << byLines[i] << ", brush " << byBrush[i];
            }
        }
        // And both are the strip: column x in its mapped entry, nothing
        // outside the area.
        const TColumnMapping mapping(row.width, row.count);
        for (int y = 0; y < surfaceHeight; y += 1 + surfaceHeight / 7) {
            for (int x = 0; x < surfaceWidth; ++x) {
                const int column = x - row.origin.x, line = y - row.origin.y;
                const bool inside = column >= 0 && column < row.width && line >= 0 && line < row.height;
                const COLORREF expected =
                    inside ? static_cast<COLORREF>(colors[static_cast<std::size_t>(mapping.IndexOf(column))])
                           : RGB(0xFE, 0xDC, 0xBA);
                ASSERT_EQ(byBrush[static_cast<std::size_t>(y * surfaceWidth + x)], expected) << x << "," << y;
            }
        }
    }
}

TEST(StripPainter, NothingIsDrawnForAnEmptyMapOrArea) {
    TPixelSurface surface(8, 4);
    ASSERT_TRUE(surface.Valid());
    EXPECT_TRUE(PaintStripRow(surface.Dc(), {}, 8, 4));
    EXPECT_TRUE(PaintStripRow(surface.Dc(), DistinctColors(3), 0, 4));
    EXPECT_TRUE(PaintStripRow(surface.Dc(), DistinctColors(3), 8, 0));
    PaintStrip(surface.Dc(), {}, 8, 4);
    PaintStripLines(surface.Dc(), DistinctColors(3), 0, 4);
    for (const COLORREF pixel : surface.Pixels()) ASSERT_EQ(pixel, RGB(0xFE, 0xDC, 0xBA));
}

TEST(StripPainter, ATrueColorDeviceTakesTheRowBrush) {
    // The session's display (Xvfb at 24 bits), and a DC of it in memory.
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(StripMethodFor(screen), TStripMethod::PixelRow);
    ReleaseDC(nullptr, screen);
    const TPixelSurface surface(4, 4);
    EXPECT_EQ(StripMethodFor(surface.Dc()), TStripMethod::PixelRow);
}

TEST(StripPainter, ASelectedLogicalPaletteKeepsThePenLines) {
    // Pens are matched to a selected palette's colours, a bitmap's are not.
    struct {
        WORD version = 0x300;
        WORD count = 1;
        PALETTEENTRY entries[1] = {{0x12, 0x34, 0x56, PC_NOCOLLAPSE}};
    } record;
    const ui::TPaletteHandle palette(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
    ASSERT_TRUE(palette);
    const TPixelSurface surface(4, 4);
    {
        const ui::TPaletteSelectGuard selected(surface.Dc(), palette.Get(), false);
        EXPECT_EQ(StripMethodFor(surface.Dc()), TStripMethod::PenLines);
    }
    EXPECT_EQ(StripMethodFor(surface.Dc()), TStripMethod::PixelRow) << "once the palette is put back";
}

}  // namespace
}  // namespace rulv::test
