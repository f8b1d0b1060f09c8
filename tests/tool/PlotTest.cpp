// PlotTest.cpp - rulvtool inspect --plot: the SVG reaches its file as a
// picture does, and, drawn by a real SVG renderer (rsvg-convert, Debian's
// librsvg2-bin) at 800 x 600 and at twice that, shows the five strips one
// under the other and the L* curve where they belong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/tool/ToolProcess.h"
#include "tool/Plot.h"

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace rulv::test {
namespace {

namespace fs = std::filesystem;
using namespace tool;  // the layout of the picture

// Five reds, then five blues: the left quarter of every strip shows red as
// its view shows it, the right quarter blue.
constexpr const char* kRedThenBlue = "#GRAD FF0000,FF0000,5\r\n#GRAD 0000FF,0000FF,5\r\n";
constexpr TPackedColor kRed = 0x0000FF;   // packed: red in the low byte
constexpr TPackedColor kBlue = 0xFF0000;

class PlotTest : public ::testing::Test {
protected:
    TProgramRun Inspect(const fs::path& map, const std::string& plot) const {
        return RunTool({Arg("inspect"), Arg(map), Arg("--plot"), Arg(plot)}, FScratch.Path());
    }

    TTempFolder FScratch;
};

TEST_F(PlotTest, ThePictureGoesToItsFileAndTheReportToStandardOutput) {
    const fs::path map = FScratch.Write("map.rulv", kRedThenBlue);
    const TProgramRun report = RunTool({Arg("inspect"), Arg(map)}, FScratch.Path());
    const TProgramRun run = Inspect(map, Utf8(FScratch / "plot.svg"));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, report.Out);
    const std::string svg = ReadBytes(FScratch / "plot.svg");
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    for (const char* view : {"normal", "grey", "protan", "deutan", "tritan"}) {
        EXPECT_NE(svg.find(std::string("<g id=\"strip-") + view + "\""), std::string::npos) << view;
    }

    // "-": the picture takes the place of the report.
    const TProgramRun toOutput = Inspect(map, "-");
    EXPECT_EQ(toOutput.ExitCode, 0) << toOutput.Err;
    EXPECT_EQ(toOutput.Out, svg);

    // A failure leaves nothing behind, and the earlier picture as it was.
    const std::vector<std::string> before = FScratch.Names();
    const TProgramRun nowhere = Inspect(map, Utf8(FScratch / "no folder" / "plot.svg"));
    EXPECT_EQ(nowhere.ExitCode, 2);
    EXPECT_EQ(nowhere.FirstErrLine().rfind(Utf8(FScratch / "no folder" / "plot.svg") + ": ", 0), 0u) << nowhere.Err;
    const TProgramRun faulty = Inspect(FScratch.Write("faulty.rulv", "FF00\r\n"), Utf8(FScratch / "plot.svg"));
    EXPECT_EQ(faulty.ExitCode, 1);
    EXPECT_EQ(ReadBytes(FScratch / "plot.svg"), svg);
    EXPECT_EQ(FScratch.Names().size(), before.size() + 1);  // faulty.rulv
}

#ifndef _WIN32
// A decoded picture, one packed colour per pixel.
struct TPicture {
    int Width = 0;
    int Height = 0;
    std::vector<TPackedColor> Pixels;
    TPackedColor At(int x, int y) const {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)];
    }
};

TPicture Decode(const fs::path& png) {
    const std::string bytes = ReadBytes(png);
    TPicture picture;
    int channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> data(
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                              &picture.Width, &picture.Height, &channels, 3),
        stbi_image_free);
    if (!data) return TPicture{};
    const std::size_t count = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
    for (std::size_t i = 0; i < count; ++i) {
        const stbi_uc* pixel = data.get() + i * 3;
        picture.Pixels.push_back(PackColor(pixel[0], pixel[1], pixel[2]));
    }
    return picture;
}

// The rows where pixel column x shows `color`, as runs [first, last].
std::vector<std::pair<int, int>> RowsOf(const TPicture& picture, int x, TPackedColor color) {
    std::vector<std::pair<int, int>> runs;
    for (int y = 0; y < picture.Height; ++y) {
        if (picture.At(x, y) != color) continue;
        if (!runs.empty() && runs.back().second == y - 1) {
            runs.back().second = y;
        } else {
            runs.emplace_back(y, y);
        }
    }
    return runs;
}

TEST_F(PlotTest, ARealRendererShowsTheStripsAndTheCurveWhereTheyBelong) {
    const fs::path renderer = "/usr/bin/rsvg-convert";
    if (!fs::exists(renderer)) GTEST_SKIP() << "rsvg-convert is not installed (Debian's librsvg2-bin; make deps)";
    const fs::path map = FScratch.Write("map.rulv", kRedThenBlue);
    const fs::path svg = FScratch / "plot.svg";
    ASSERT_EQ(Inspect(map, Utf8(svg)).ExitCode, 0);
    for (const int scale : {1, 2}) {
        const fs::path png = FScratch / ("plot" + std::to_string(scale) + ".png");
        const std::string width = std::to_string(kPlotWidth * scale);
        const std::string height = std::to_string(kPlotHeight * scale);
        const TProgramRun drawn = RunProgram(
            renderer, {"-w", width, "-h", height, "-o", png.native(), svg.native()}, FScratch.Path());
        ASSERT_EQ(drawn.ExitCode, 0) << drawn.Err;
        const TPicture picture = Decode(png);
        ASSERT_EQ(picture.Width, kPlotWidth * scale);
        ASSERT_EQ(picture.Height, kPlotHeight * scale);

        // Each strip is a band of its view's colour, the views in order from
        // the top, all of the same height, between the summary line and the
        // L* chart; the blues lie in the same rows as the reds.
        const int left = (kPlotLeft + kPlotStripWidth / 4) * scale;
        const int right = (kPlotLeft + kPlotStripWidth * 3 / 4) * scale;
        int below = 45 * scale;  // under the file name and the summary line
        std::vector<int> heights;
        for (const TVisionView view : kVisionViews) {
            const std::vector<std::pair<int, int>> reds = RowsOf(picture, left, SimulateView(kRed, view));
            const std::vector<std::pair<int, int>> blues = RowsOf(picture, right, SimulateView(kBlue, view));
            ASSERT_FALSE(reds.empty()) << VisionViewName(view) << " at " << scale << "x";
            // The band lies below the one before (a lone pixel of the same
            // colour elsewhere, such as in a line, does not count).
            const auto band = std::find_if(reds.begin(), reds.end(), [&](const std::pair<int, int>& run) {
                return run.first > below && run.second - run.first >= 10 * scale;
            });
            ASSERT_NE(band, reds.end()) << VisionViewName(view) << " at " << scale << "x";
            EXPECT_NE(std::find(blues.begin(), blues.end(), *band), blues.end()) << VisionViewName(view);
            heights.push_back(band->second - band->first);
            below = band->second;
        }
        EXPECT_LT(below, kPlotLightnessTop * scale - 20 * scale) << "the strips run into the L* chart";
        EXPECT_EQ(std::count(heights.begin(), heights.end(), heights.front()), 5) << scale;

        // The L* curve: red at L* 53.24, blue at 32.30, as dark pixels.
        for (const auto& [x, lightness] : {std::pair{left, 53.24}, {right, 32.30}}) {
            const double y = (kPlotLightnessBottom - lightness / 100 * (kPlotLightnessBottom - kPlotLightnessTop)) * scale;
            int darkest = 255;
            for (int row = static_cast<int>(y) - 2 * scale; row <= static_cast<int>(y) + 2 * scale; ++row) {
                darkest = std::min(darkest, GreenOf(picture.At(x, row)));
            }
            EXPECT_LT(darkest, 128) << "no L* line near row " << y << " at " << scale << "x";
        }
    }
}
#endif

}  // namespace
}  // namespace rulv::test
