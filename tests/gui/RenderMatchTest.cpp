// RenderMatchTest.cpp - `rulvtool render` draws exactly what the viewer's
// paint box shows at the same size, in every view.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/StandardLibrary.h"
#include "resources/resource.h"
#include "tests/support/Process.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace rulv::test {
namespace {

using namespace std::chrono_literals;

// Runs rulvtool.exe (copied beside this test) and gives its exit code.
int RunTool(const std::vector<TNativeArgument>& arguments) {
    TProcess tool(rulv::ProgramFolder() + L"rulvtool.exe", arguments);
    if (!tool.Started()) return -1;
    return tool.Wait(60s).value_or(-1);
}

TEST(RenderMatch, RenderedStripEqualsThePaintedBox) {
    TTempFolder folder;
    const std::wstring map = folder.Write(L"strip.rulv",
                                          "* a gradient, single colours and a linear run\r\n"
                                          "#GRAD FF0000,0000FF,37\r\n"
                                          "00FF00\r\n"
                                          "#LINE 0,7,255,-3,128,1,50\r\n");
    // Each size in the normal view, and in each view the strip's menu
    // chooses, against `render --view`.
    const struct {
        int width;
        int height;
        UINT view;
        const char* name;
    } sizes[] = {
        {427, 78, IDC_STRIP_VIEW_NORMAL, "normal"}, {61, 9, IDC_STRIP_VIEW_NORMAL, "normal"},
        {20, 4, IDC_STRIP_VIEW_NORMAL, "normal"},   {427, 78, IDC_STRIP_VIEW_GREY, "grey"},
        {61, 9, IDC_STRIP_VIEW_PROTAN, "protan"},   {427, 78, IDC_STRIP_VIEW_DEUTAN, "deutan"},
        {20, 4, IDC_STRIP_VIEW_TRITAN, "tritan"},
    };
    TViewerWindow window;
    window.Drop({map});
    ASSERT_TRUE(window->Loaded());
    for (const auto& size : sizes) {
        window.Command(size.view);
        window.ResizePaintBox(size.width, size.height);
        ASSERT_EQ(window->pbxShow.Width(), size.width);
        const std::wstring png =
            (folder.Path() / ("strip" + std::to_string(size.width) + size.name + ".png")).wstring();
        ASSERT_EQ(RunTool({L"render", map, L"-o", png, L"--size",
                           std::to_wstring(size.width) + L"x" + std::to_wstring(size.height), L"--view",
                           Arg(size.name)}),
                  0);

        int width = 0, height = 0, channels = 0;
        FILE* file = _wfopen(png.c_str(), L"rb");
        ASSERT_NE(file, nullptr);
        unsigned char* pixels = stbi_load_from_file(file, &width, &height, &channels, 3);
        fclose(file);
        ASSERT_NE(pixels, nullptr);
        ASSERT_EQ(width, size.width);
        ASSERT_EQ(height, size.height);
        const HWND box = window->pbxShow.Handle();
        int mismatches = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = pixels + 3 * (y * width + x);
                if (PixelOf(box, x, y) != RGB(p[0], p[1], p[2])) ++mismatches;
            }
        }
        stbi_image_free(pixels);
        EXPECT_EQ(mismatches, 0) << size.width << "x" << size.height << " " << size.name;
    }
}

}  // namespace
}  // namespace rulv::test
