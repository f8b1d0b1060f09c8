// Render.cpp - the colour strip as a PNG picture.
#include "tool/Render.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <new>
#include <system_error>

#include "colormap/ColumnMapping.h"
#include "tool/OutputFile.h"

#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace rulv::tool {

namespace {

constexpr int kChannels = 3;  // red, green, blue

// One side of a size: decimal digits only, no sign, at least one.
bool ParseSide(std::string_view text, std::int32_t& side) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    return error == std::errc() && end == text.data() + text.size() && side > 0;
}

// Appends the PNG writer's pieces to a text.
void AppendPiece(void* context, void* data, int size) {
    if (size <= 0) return;
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

// The picture as PNG bytes; false when the writer's own buffers fail.
bool EncodePng(const std::vector<std::uint8_t>& pixels, TStripSize size, std::string& png) {
    return stbi_write_png_to_func(AppendPiece, &png, size.Width, size.Height, kChannels, pixels.data(),
                                  size.Width * kChannels) != 0;
}

}  // namespace

bool ParseStripSize(std::string_view text, TStripSize& size) {
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) return false;
    TStripSize parsed{};
    if (!ParseSide(text.substr(0, cross), parsed.Width) || !ParseSide(text.substr(cross + 1), parsed.Height)) {
        return false;
    }
    if (static_cast<std::int64_t>(parsed.Width) * parsed.Height > kMaxStripPixels) return false;
    size = parsed;
    return true;
}

bool ParseVisionView(std::string_view text, TVisionView& view) {
    for (const TVisionView candidate : kVisionViews) {
        if (text == VisionViewName(candidate)) {
            view = candidate;
            return true;
        }
    }
    return false;
}

std::vector<std::uint8_t> StripPixels(const TPaletteArray& colors, TStripSize size, TVisionView view) {
    const std::vector<TPackedColor> columns = StripColumnColors(colors, size.Width, view);
    const auto rowLength = static_cast<std::size_t>(size.Width) * kChannels;
    std::vector<std::uint8_t> pixels(rowLength * static_cast<std::size_t>(size.Height));
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const TPackedColor color = columns[x];
        std::uint8_t* pixel = pixels.data() + x * kChannels;
        pixel[0] = static_cast<std::uint8_t>(RedOf(color));
        pixel[1] = static_cast<std::uint8_t>(GreenOf(color));
        pixel[2] = static_cast<std::uint8_t>(BlueOf(color));
    }
    // Every row is the first one.
    for (std::int32_t y = 1; y < size.Height; ++y) {
        std::copy_n(pixels.begin(), rowLength, pixels.begin() + static_cast<std::ptrdiff_t>(rowLength * y));
    }
    return pixels;
}

int RenderStrip(const TRenderRequest& request, TToolStreams& streams) {
    TPaletteArray colors;
    const TLoadOutcome outcome = LoadForTool(request.File, colors, streams);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    std::vector<std::uint8_t> pixels;
    try {
        pixels = StripPixels(colors, request.Size, request.View);
    } catch (const std::bad_alloc&) {
        streams.Err(request.Output->Text + ": not enough memory for a picture of this size\n");
        return kExitTrouble;
    }
    std::string failure;
    std::string png;
    try {
        failure = EncodePng(pixels, request.Size, png) ? WriteOutputFile(*request.Output, png, streams)
                                                       : std::generic_category().message(ENOMEM);
    } catch (const std::bad_alloc&) {
        failure = std::generic_category().message(ENOMEM);
    }
    if (failure.empty()) return kExitOk;
    // The output as the user named it, never the temporary.
    streams.Err(request.Output->Text + ": " + failure + "\n");
    return kExitTrouble;
}

}  // namespace rulv::tool
