// ViewerProcessTest.cpp - RulvView.exe as a process of its own: its window
// names the map, the strip is on screen, Ctrl+R reads the map again, and
// maps of other programs open by their extension.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>

#include "tests/support/MainWindow.h"
#include "tests/support/Process.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WindowText.h"

namespace rulv::test {
namespace {

using namespace std::chrono_literals;

// RulvView.exe of this build: app/ next to tests/.
std::filesystem::path ViewerProgram() {
    wchar_t self[MAX_PATH * 4]{};
    GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
    return std::filesystem::path(self).parent_path().parent_path().parent_path() / L"app" / L"RulvView.exe";
}

// The screen's colour in the middle of the viewer's paint box.
COLORREF StripColor(HWND viewer) {
    RECT client{};
    GetClientRect(viewer, &client);
    POINT middle{client.right / 2, client.bottom / 2};
    ClientToScreen(viewer, &middle);
    const HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, middle.x, middle.y);
    ReleaseDC(nullptr, screen);
    return color;
}

TEST(ViewerProcess, ShowsTheMapNamedOnItsCommandLineAndReloadsOnCtrlR) {
    const auto program = ViewerProgram();
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    TTempFolder folder;
    const std::wstring map = folder.Write(L"band.rulv", "00FF00\r\n");

    TProcess child(program, {map});
    ASSERT_TRUE(child.Started()) << child.StartError();
    HWND viewer = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (viewer = FindMainWindow(child.Id(), L"TfrmMain")) != nullptr; }, 30s));
    EXPECT_EQ(WindowText(viewer), L"band.rulv - RULV Viewer");
    EXPECT_TRUE(WaitFor([&] { return StripColor(viewer) == RGB(0, 255, 0); }));

    // Ctrl+R, typed into the viewer, reads the changed file.
    folder.Write(L"band.rulv", "FF00FF\r\n");
    SetForegroundWindow(viewer);
    WaitFor([&] { return GetForegroundWindow() == viewer; }, 5s);
    INPUT keys[4]{};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = 'R';
    keys[2].ki.wVk = 'R';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    EXPECT_TRUE(WaitFor([&] { return StripColor(viewer) == RGB(255, 0, 255); }));

    // Closing the window ends the program with exit code 0.
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    const std::optional<int> exitCode = child.Wait(30s);
    EXPECT_TRUE(exitCode.has_value()) << "the program did not end";
    EXPECT_EQ(exitCode, 0);
}

// A GMT table and a GIMP palette, named on the command line as the shell
// would pass them: the strip shows their colours.
TEST(ViewerProcess, OpensGmtTablesAndGimpPalettesByTheirExtension) {
    const auto program = ViewerProgram();
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    TTempFolder folder;
    const struct {
        std::wstring Name;
        const char* Bytes;
        COLORREF Middle;
    } maps[] = {
        // Slices of one colour each make a discrete table of three
        // colours: the middle column shows the second.
        {L"steps.cpt", "# COLOR_MODEL = RGB\n0 255/0/0 1 255/0/0\n1 0/0/255 2 0/0/255\n2 0/255/0 3 0/255/0\n",
         RGB(0, 0, 255)},
        {L"palette.gpl", "GIMP Palette\nName: three\n255 0 255 magenta\n255 255 0 yellow\n0 255 255 cyan\n",
         RGB(255, 255, 0)},
    };
    for (const auto& map : maps) {
        const std::wstring path = folder.Write(map.Name, map.Bytes);
        TProcess child(program, {path});
        ASSERT_TRUE(child.Started()) << child.StartError();
        HWND viewer = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (viewer = FindMainWindow(child.Id(), L"TfrmMain")) != nullptr; }, 30s));
        EXPECT_EQ(WindowText(viewer), map.Name + L" - RULV Viewer");
        EXPECT_TRUE(WaitFor([&] { return StripColor(viewer) == map.Middle; })) << StripColor(viewer);
        PostMessageW(viewer, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.Wait(30s), 0);
    }
}

}  // namespace
}  // namespace rulv::test
