// ViewerProcessTest.cpp - RulvView.exe as a process of its own: its window
// names the map, the strip is on screen, and Ctrl+R reads the map again.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "GuiTestSupport.h"

namespace rulv::test {
namespace {

// RulvView.exe of this build: app/ next to tests/.
std::filesystem::path ViewerProgram() {
    wchar_t self[MAX_PATH * 4]{};
    GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
    return std::filesystem::path(self).parent_path().parent_path().parent_path() / L"app" / L"RulvView.exe";
}

struct TFindWindow {
    DWORD process;
    HWND found;
};

HWND ViewerWindowOf(DWORD process) {
    TFindWindow search{process, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* find = reinterpret_cast<TFindWindow*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[32]{};
            GetClassNameW(window, name, 32);
            if (owner == find->process && IsWindowVisible(window) && std::wstring(name) == L"TfrmMain") {
                find->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The screen's colour in the middle of the viewer's paint box.
COLORREF StripColour(HWND viewer) {
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

    std::wstring commandLine = L"\"" + program.wstring() + L"\" \"" + map + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    HWND viewer = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (viewer = ViewerWindowOf(child.dwProcessId)) != nullptr; }, 30000));
    wchar_t caption[256]{};
    GetWindowTextW(viewer, caption, 256);
    EXPECT_STREQ(caption, L"band.rulv - RULV Viewer");
    EXPECT_TRUE(WaitFor([&] { return StripColour(viewer) == RGB(0, 255, 0); }));

    // Ctrl+R, typed into the viewer, reads the changed file.
    folder.Write(L"band.rulv", "FF00FF\r\n");
    SetForegroundWindow(viewer);
    WaitFor([&] { return GetForegroundWindow() == viewer; }, 5000);
    INPUT keys[4]{};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = 'R';
    keys[2].ki.wVk = 'R';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    EXPECT_TRUE(WaitFor([&] { return StripColour(viewer) == RGB(255, 0, 255); }));

    // Closing the window ends the program with exit code 0.
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

}  // namespace
}  // namespace rulv::test
