// StripPainter.cpp - the colour strip as one-pixel vertical pen lines.
#include "app/StripPainter.h"

#include <cstddef>
#include <vector>

#include "colormap/ColumnMapping.h"
#include "common/Errors.h"
#include "ui/Handles.h"

namespace rulv {

void PaintStrip(HDC dc, const TPaletteArray& colors, int width, int height) {
    if (colors.empty() || width <= 0 || height <= 0) return;
    const std::vector<TPackedColor> columns = StripColumnColors(colors, width);

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

}  // namespace rulv
