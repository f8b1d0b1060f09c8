// Render.h - `rulvtool render`: the colour strip as a PNG picture.
//
// The picture is what the viewer's paint box shows at the same size: every
// pixel column in the colour that the viewer's own column mapping
// (TColumnMapping) gives for it, over the whole height; with a view other
// than normal, that colour as the view shows it (SimulateView).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tool/ToolCommands.h"
#include "colormap/ColorScience.h"

namespace rulv::tool {

struct TStripSize {
    std::int32_t Width;
    std::int32_t Height;
};

// The viewer's designed paint box.
inline constexpr TStripSize kDefaultStripSize{427, 78};
// Larger pictures are refused: 100,000,000 pixels already take 300 MB.
inline constexpr std::int64_t kMaxStripPixels = 100'000'000;

// "WxH" (or "WXH"): two positive decimal numbers whose product is at most
// kMaxStripPixels. Leaves `size` alone and gives false otherwise.
bool ParseStripSize(std::string_view text, TStripSize& size);

// A view's name as VisionViewName gives it. Leaves `view` alone and gives
// false for any other text.
bool ParseVisionView(std::string_view text, TVisionView& view);

// The picture as rows of red, green and blue bytes, top row first.
// `colors` holds at least one colour; both sides of `size` are positive.
std::vector<std::uint8_t> StripPixels(const TPaletteArray& colors, TStripSize size,
                                      TVisionView view = TVisionView::Normal);

struct TRenderRequest {
    const TArgument& File;
    const TArgument* Output;  // the PNG file to write
    TStripSize Size;
    TVisionView View;
};

// Loads the map and writes the PNG to the output as WriteOutputFile
// (OutputFile.h) does: no half picture is left behind, and an existing
// file is replaced only by a complete one.
int RenderStrip(const TRenderRequest& request, TToolStreams& streams);

}  // namespace rulv::tool
