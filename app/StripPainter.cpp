// StripPainter.cpp - the colour strip as a brush of one row of pixels, or as
// one-pixel vertical pen lines; and as a bitmap for the clipboard.
#include "app/StripPainter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "colormap/ColumnMapping.h"
#include "common/Errors.h"
#include "ui/Handles.h"

namespace rulv {

namespace {

// A packed colour (red in the low byte) as a 32-bit BI_RGB pixel (blue in
// the low byte).
constexpr std::uint32_t PixelOf(TPackedColor color) noexcept {
    return static_cast<std::uint32_t>(BlueOf(color)) | static_cast<std::uint32_t>(GreenOf(color)) << 8 |
           static_cast<std::uint32_t>(RedOf(color)) << 16;
}
static_assert(PixelOf(PackColor(0x12, 0x34, 0x56)) == 0x123456u);

// The device point of the area's top-left corner, where the brush's row
// must start; the brush's origin goes back when the guard goes.
class TBrushOriginGuard {
public:
    explicit TBrushOriginGuard(HDC dc) noexcept : FDc(dc) {
        POINT corner{0, 0};
        LPtoDP(dc, &corner, 1);
        SetBrushOrgEx(dc, corner.x, corner.y, &FOld);
    }
    ~TBrushOriginGuard() { SetBrushOrgEx(FDc, FOld.x, FOld.y, nullptr); }
    TBrushOriginGuard(const TBrushOriginGuard&) = delete;
    TBrushOriginGuard& operator=(const TBrushOriginGuard&) = delete;

private:
    HDC FDc;
    POINT FOld{};
};

// A packed device-independent bitmap of one row: its header, then the
// pixels, as CreateDIBPatternBrushPt takes them.
constexpr std::size_t kHeaderWords = sizeof(BITMAPINFOHEADER) / sizeof(std::uint32_t);
static_assert(sizeof(BITMAPINFOHEADER) % sizeof(std::uint32_t) == 0);

std::vector<std::uint32_t> PackedRow(const TPaletteArray& colors, int width, TVisionView view) {
    const std::vector<TPackedColor> columns = StripColumnColors(colors, width, view);
    std::vector<std::uint32_t> packed(kHeaderWords + columns.size());
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::memcpy(packed.data(), &header, sizeof(header));
    std::transform(columns.begin(), columns.end(), packed.begin() + kHeaderWords, PixelOf);
    return packed;
}

}  // namespace

TStripMethod StripMethodFor(HDC dc) noexcept {
    const bool paletteDevice = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    const bool paletteSelected = GetCurrentObject(dc, OBJ_PAL) != GetStockObject(DEFAULT_PALETTE);
    const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    return !paletteDevice && !paletteSelected && bits >= 24 ? TStripMethod::PixelRow : TStripMethod::PenLines;
}

void PaintStrip(HDC dc, const TPaletteArray& colors, int width, int height, TVisionView view) {
    if (StripMethodFor(dc) == TStripMethod::PixelRow && PaintStripRow(dc, colors, width, height, view)) return;
    PaintStripLines(dc, colors, width, height, view);
}

bool PaintStripRow(HDC dc, const TPaletteArray& colors, int width, int height, TVisionView view) {
    if (colors.empty() || width <= 0 || height <= 0) return true;
    const std::vector<std::uint32_t> row = PackedRow(colors, width, view);
    ui::TBrushHandle brush(CreateDIBPatternBrushPt(row.data(), DIB_RGB_COLORS));
    if (!brush) return false;
    const TBrushOriginGuard origin(dc);
    const ui::TSelectGuard select(dc, brush.Get());  // deselected before the brush is deleted
    return PatBlt(dc, 0, 0, width, height, PATCOPY) != FALSE;
}

void PaintStripLines(HDC dc, const TPaletteArray& colors, int width, int height, TVisionView view) {
    if (colors.empty() || width <= 0 || height <= 0) return;
    const std::vector<TPackedColor> columns = StripColumnColors(colors, width, view);

    ui::TPen pen;  // declared before the guard: deleted after it is deselected
    ui::TSelectGuard restore(dc, GetStockObject(BLACK_PEN));
    COLORREF current = CLR_INVALID;
    for (int x = 0; x < width; ++x) {
        const auto color = static_cast<COLORREF>(columns[static_cast<std::size_t>(x)]);
        if (color != current) {  // one pen per run of equal colours
            ui::TPen next(CreatePen(PS_SOLID, 1, color));
            if (!next) throw EOutOfMemory();  // GDI is out of pens
            SelectObject(dc, next.Get());
            pen = std::move(next);
            current = color;
        }
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, height);
    }
}

std::vector<std::byte> StripBitmap(const TPaletteArray& colors, int width, int height, TVisionView view) {
    if (colors.empty() || width <= 0 || height <= 0) return {};
    const std::vector<TPackedColor> columns = StripColumnColors(colors, width, view);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(rowBytes * static_cast<std::size_t>(height));
    std::vector<std::byte> bitmap(sizeof(header) + rowBytes * static_cast<std::size_t>(height));
    std::memcpy(bitmap.data(), &header, sizeof(header));
    // Every row is the same: blue, green, red for each column.
    std::byte* const first = bitmap.data() + sizeof(header);
    for (std::size_t x = 0; x < columns.size(); ++x) {
        first[3 * x] = static_cast<std::byte>(BlueOf(columns[x]));
        first[3 * x + 1] = static_cast<std::byte>(GreenOf(columns[x]));
        first[3 * x + 2] = static_cast<std::byte>(RedOf(columns[x]));
    }
    for (int y = 1; y < height; ++y) std::memcpy(first + rowBytes * static_cast<std::size_t>(y), first, rowBytes);
    return bitmap;
}

}  // namespace rulv
