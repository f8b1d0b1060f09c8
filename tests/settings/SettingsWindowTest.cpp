// SettingsWindowTest.cpp - the settings of the real viewer window: the first
// start, what closing stores, what the next start shows, a faulty stored
// value at start, and two copies of the program closed one after the other.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/settings/RegistryTestSupport.h"
#include "common/StandardLibrary.h"
#include "resources/resource.h"
#include "tests/support/MainWindow.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/Process.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"
#include "tests/support/Wait.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace rulv::test {
namespace {

using namespace std::chrono_literals;

const std::string kKey = "Software\\Wuld\\RulvViewer";
const std::string kForm = kKey + "\\Form";
const std::string kView = kKey + "\\View";

// The designed outer size at the display's DPI.
int DesignedWidth() { return ui::Scale(435, ui::WindowDpi(nullptr)); }
int DesignedHeight() { return ui::Scale(170, ui::WindowDpi(nullptr)); }

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The check mark as the menu itself holds it.
bool MenuChecked(TfrmMain& form, UINT command) {
    return (GetMenuState(form.mnuMain, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

struct TBars {
    bool ToolBar;
    bool StatusBar;
};

// Both bars' visibility agrees with its menu item's check mark.
void ExpectBars(TfrmMain& form, TBars expected) {
    EXPECT_EQ(IsWindowVisible(form.pnlToolBar.Handle()) != FALSE, expected.ToolBar);
    EXPECT_EQ(form.ViewToolbarChecked(), expected.ToolBar);
    EXPECT_EQ(MenuChecked(form, IDC_VIEW_TOOLBAR), expected.ToolBar);
    EXPECT_EQ(IsWindowVisible(form.stbStatus.Handle()) != FALSE, expected.StatusBar);
    EXPECT_EQ(form.ViewStatusbarChecked(), expected.StatusBar);
    EXPECT_EQ(MenuChecked(form, IDC_VIEW_STATUSBAR), expected.StatusBar);
}

// Closes the window as its close button does and waits until it is gone.
void Close(TViewerWindow& window) {
    const HWND handle = window.Handle();
    PostMessageW(handle, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(handle); }));
}

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeyTree("Software\\Wuld"); }
    void TearDown() override { SetUp(); }
};

TEST_F(SettingsWindowTest, FirstStartCreatesTheEmptyKeyAndClosingStoresTheFourValues) {
    TViewerWindow window(L"RulvView.exe", false);
    ASSERT_TRUE(KeyExists(kKey));
    EXPECT_EQ(ValueCount(kKey), 0u);
    EXPECT_EQ(SubkeyCount(kKey), 0u);
    const SIZE size = OuterSize(window.Handle());
    EXPECT_EQ(size.cx, DesignedWidth());
    EXPECT_EQ(size.cy, DesignedHeight());
    ExpectBars(window.Form(), {true, true});

    Close(window);
    EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText(std::to_string(size.cy)));
    EXPECT_EQ(GetRaw(kForm, "Width"), WrittenText(std::to_string(size.cx)));
    EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText("1"));
    EXPECT_EQ(GetRaw(kView, "ShowStatusBar"), WrittenText("1"));
}

TEST_F(SettingsWindowTest, SizeAndHiddenBarsReachTheNextStart) {
    struct TCase {
        std::vector<UINT> Commands;
        TBars Bars;
        const char* ToolBarText;
        const char* StatusBarText;
    };
    const TCase cases[] = {
        {{IDC_VIEW_TOOLBAR}, {false, true}, "0", "1"},
        {{IDC_VIEW_STATUSBAR}, {true, false}, "1", "0"},
        {{IDC_VIEW_TOOLBAR, IDC_VIEW_STATUSBAR}, {false, false}, "0", "0"},
        {{IDC_VIEW_TOOLBAR, IDC_VIEW_TOOLBAR}, {true, true}, "1", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ToolBarText) + c.StatusBarText);
        DeleteKeyTree(kKey);
        {
            TViewerWindow window(L"RulvView.exe", false);
            SetWindowPos(window.Handle(), nullptr, 0, 0, 520, 310, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            for (const UINT command : c.Commands) window.Command(command);
            Close(window);
        }
        EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText("310"));
        EXPECT_EQ(GetRaw(kForm, "Width"), WrittenText("520"));
        EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText(c.ToolBarText));
        EXPECT_EQ(GetRaw(kView, "ShowStatusBar"), WrittenText(c.StatusBarText));

        TViewerWindow again(L"RulvView.exe", false);
        const SIZE size = OuterSize(again.Handle());
        EXPECT_EQ(size.cx, 520);
        EXPECT_EQ(size.cy, 310);
        ExpectBars(again.Form(), c.Bars);
    }
}

TEST_F(SettingsWindowTest, HeightOfWrongTypeIsReportedAndEndsTheStartUp) {
    TTempFolder folder;
    const std::wstring map = folder.Write(L"start.rulv", "FF0000\r\n0000FF\r\n");
    PutRaw(kForm, "Height", REG_DWORD, DwordData(300));
    PutText(kForm, "Width", "600");
    PutText(kView, "ShowToolBar", "0");
    PutText(kView, "ShowStatusBar", "0");
    const long reportsBefore = ui::Application().ExceptionReports();

    TMessageBoxWatcher watcher;
    TViewerWindow window(L"RulvView.exe \"" + map + L"\"", false);
    ASSERT_TRUE(WaitFor([&] { return watcher.Count() >= 1; }));
    const auto boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text(), L"'Height' のデータ型が不正です.");
    EXPECT_EQ(boxes[0].Caption, L"RULV Viewer");
    EXPECT_TRUE(boxes[0].HasIcon());
    EXPECT_EQ(ui::Application().ExceptionReports(), reportsBefore + 1);

    // The window opens with its designed size and both bars.
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    const SIZE size = OuterSize(window.Handle());
    EXPECT_EQ(size.cx, DesignedWidth());
    EXPECT_EQ(size.cy, DesignedHeight());
    ExpectBars(window.Form(), {true, true});
    // The rest of the creation handler did not run: no file from the
    // command line, no drop target.
    EXPECT_FALSE(window->HasOpenFile());
    EXPECT_FALSE(window->Loaded());
    EXPECT_EQ(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(SettingsWindowTest, HeightOfWrongTypeWithoutDataCountsAsAbsent) {
    PutRaw(kForm, "Height", REG_DWORD, "");
    PutRaw(kForm, "Width", REG_EXPAND_SZ, std::string("600\0", 4));
    TMessageBoxWatcher watcher;
    TViewerWindow window(L"RulvView.exe", false);
    const SIZE size = OuterSize(window.Handle());
    EXPECT_EQ(size.cy, DesignedHeight());
    EXPECT_EQ(size.cx, 600);
    EXPECT_EQ(watcher.Count(), 0u);
    // The creation handler ran to its end.
    EXPECT_NE(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(SettingsWindowTest, ProgramKeyThatCannotBeCreatedDoesNotHinderTheStart) {
    // Below a volatile parent the program key cannot be created.
    CreateKey("Software\\Wuld", true);
    TMessageBoxWatcher watcher;
    {
        TViewerWindow window(L"RulvView.exe", false);
        const SIZE size = OuterSize(window.Handle());
        EXPECT_EQ(size.cx, DesignedWidth());
        EXPECT_EQ(size.cy, DesignedHeight());
        ExpectBars(window.Form(), {true, true});
        EXPECT_NE(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
        Close(window);
    }
    EXPECT_EQ(watcher.Count(), 0u);
    EXPECT_FALSE(KeyExists(kKey));
}

// ------------------------------------------------------------- two copies --

// RulvView.exe, copied beside this test program by the build.
std::wstring ViewerProgram() { return ProgramFolder() + L"RulvView.exe"; }

// One running copy of the program and its main window.
class TViewerProcess {
public:
    TViewerProcess() : FProcess(ViewerProgram(), {}) {
        if (!FProcess.Started()) {
            ADD_FAILURE() << "RulvView.exe did not start: " << FProcess.StartError();
            return;
        }
        EXPECT_TRUE(WaitFor([&] { return (FWindow = FindMainWindow(FProcess.Id(), L"TfrmMain")) != nullptr; }, 20s));
    }
    TViewerProcess(const TViewerProcess&) = delete;
    TViewerProcess& operator=(const TViewerProcess&) = delete;

    HWND Window() const noexcept { return FWindow; }

    // The user resizes the window and clicks a menu command.
    void Resize(int width, int height) const {
        SetWindowPos(FWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void Command(UINT command) const { PostMessageW(FWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

    // Closes the window and waits for the program to end; its exit code.
    DWORD Close() {
        PostMessageW(FWindow, WM_CLOSE, 0, 0);
        const std::optional<int> code = FProcess.Wait(20s);
        EXPECT_TRUE(code.has_value()) << "the program did not end";
        return code ? static_cast<DWORD>(*code) : STILL_ACTIVE;
    }

private:
    TProcess FProcess;
    HWND FWindow = nullptr;
};

TEST_F(SettingsWindowTest, OfTwoCopiesTheOneClosedLastIsStored) {
    for (const bool firstClosesLast : {true, false}) {
        SCOPED_TRACE(firstClosesLast ? "first copy closed last" : "second copy closed last");
        DeleteKeyTree(kKey);
        TViewerProcess first;
        TViewerProcess second;
        ASSERT_TRUE(first.Window() && second.Window());
        first.Resize(500, 300);
        first.Command(IDC_VIEW_TOOLBAR);
        second.Resize(610, 340);
        second.Command(IDC_VIEW_STATUSBAR);
        TViewerProcess& earlier = firstClosesLast ? second : first;
        TViewerProcess& later = firstClosesLast ? first : second;
        EXPECT_EQ(earlier.Close(), 0u);
        EXPECT_EQ(later.Close(), 0u);

        EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText(firstClosesLast ? "300" : "340"));
        EXPECT_EQ(GetRaw(kForm, "Width"), WrittenText(firstClosesLast ? "500" : "610"));
        EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText(firstClosesLast ? "0" : "1"));
        EXPECT_EQ(GetRaw(kView, "ShowStatusBar"), WrittenText(firstClosesLast ? "1" : "0"));

        // The next start shows what the copy closed last left.
        TViewerWindow next(L"RulvView.exe", false);
        const SIZE size = OuterSize(next.Handle());
        EXPECT_EQ(size.cx, firstClosesLast ? 500 : 610);
        EXPECT_EQ(size.cy, firstClosesLast ? 300 : 340);
        ExpectBars(next.Form(), firstClosesLast ? TBars{false, true} : TBars{true, false});
    }
}

}  // namespace
}  // namespace rulv::test
