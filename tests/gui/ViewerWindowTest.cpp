// ViewerWindowTest.cpp - the real viewer window driven by real messages:
// start state, load messages, document states, drops, the command line,
// bars, hints and shortcuts, and following a file that changes fast or
// whose folder cannot be watched.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/FileFollower.h"
#include "app/MainRules.h"
#include "resources/resource.h"
#include "tests/support/Files.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/SeamGuard.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"
#include "tests/support/Wait.h"
#include "tests/support/WindowText.h"
#include "ui/Application.h"

namespace rulv::test {
namespace {

using namespace std::chrono_literals;
using ui::Application;

RECT ChildRect(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

const std::string kSixColors = "FF0000\r\n00FF00\r\n0000FF\r\nFFFF00\r\n00FFFF\r\nFF00FF\r\n";

class ViewerWindow : public ::testing::Test {
protected:
    TTempFolder FFolder;
    std::wstring FGood = FFolder.Write(L"good.rulv", kSixColors);
    std::wstring FOther = FFolder.Write(L"other.rulv", "123456\r\nABCDEF\r\n");
    std::wstring FFaulty7 = FFolder.Write(L"faulty.rulv", "* colours\r\n000000\r\n111111\r\n\r\n222222\r\n333333\r\nGGGGGG\r\n444444\r\n");
    std::wstring FNoColor = FFolder.Write(L"empty.rulv", "* only a comment\r\n\r\n#NOTE ignored\r\n");
    std::wstring FMissing = (FFolder.Path() / L"missing.rulv").wstring();
};

TEST_F(ViewerWindow, StartsEmptyWithTheApplicationTitle) {
    TViewerWindow window;
    TfrmMain& form = window.Form();
    EXPECT_EQ(frmMain, &form);
    EXPECT_EQ(Application().Title(), L"RULV Viewer");
    EXPECT_EQ(WindowText(window.Handle()), L"RULV Viewer");
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(form.HasOpenFile());
    EXPECT_TRUE(form.spbOpen.Enabled());
    EXPECT_FALSE(form.spbReopen.Enabled());
    EXPECT_FALSE(form.spbReview.Enabled());
    EXPECT_TRUE(form.ViewToolbarChecked());
    EXPECT_TRUE(form.ViewStatusbarChecked());
    // Opening the File menu brings "再読み込み" up to date: disabled.
    EXPECT_TRUE(form.FileReopen.Enabled());
    SendMessageW(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(form.mnuFile.DropDown()), 0);
    EXPECT_FALSE(form.FileReopen.Enabled());
    SendMessageW(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(form.mnuView.DropDown()), 1);
    EXPECT_FALSE(form.ViewReview.Enabled());
    // The layout at 96 DPI: toolbar 27 high, paint box between the bars.
    const RECT bar = ChildRect(window.Handle(), form.pnlToolBar.Handle());
    EXPECT_EQ(bar.bottom - bar.top, 27);
    const RECT box = ChildRect(window.Handle(), form.pbxShow.Handle());
    EXPECT_EQ(box.top, 27);
    EXPECT_EQ(box.right - box.left, form.ClientWidth());
    EXPECT_EQ(box.bottom, ChildRect(window.Handle(), form.stbStatus.Handle()).top);
    RECT outer{};
    GetWindowRect(window.Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 435);
    EXPECT_EQ(outer.bottom - outer.top, 170);
}

TEST_F(ViewerWindow, LoadMessagesArePlainBoxesCaptionedWithTheTitle) {
    const TTempFolder folder;
    const struct {
        std::wstring name;
        std::wstring text;
    } rows[] = {
        {FMissing, L"ﾌｧｲﾙが見つかりません"},
        {folder.Path().wstring(), L"ﾌｧｲﾙが見つかりません"},
        {FFaulty7, L"7 行目に間違いがあります"},
        {FNoColor, L"色が１色も指定してありません"},
        // The exchange formats report their faults the same way; a table
        // of the wrong size is faulty on its line 1.
        {FFolder.Write(L"faulty.cpt", "# table\r\n0 0/0/0 1 0/0/300\r\n").wstring(), L"2 行目に間違いがあります"},
        {FFolder.Write(L"empty.gpl", "GIMP Palette\r\n# nothing\r\n").wstring(), L"色が１色も指定してありません"},
        {FFolder.Write(L"short.act", std::string(10, '\0')).wstring(), L"1 行目に間違いがあります"},
    };
    TViewerWindow window;
    const long reports = Application().ExceptionReports();
    const int screenX = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int screenY = GetSystemMetrics(SM_CYSCREEN) / 2;
    for (const std::wstring& caption : {std::wstring(L"RULV Viewer"), std::wstring(L"good.rulv - RULV Viewer")}) {
        for (const auto& row : rows) {
            TMessageBoxWatcher watcher;
            window.Drop({row.name});
            ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; })) << row.name;
            const TBoxSnapshot box = watcher.Boxes().front();
            EXPECT_EQ(box.Text(), row.text);
            EXPECT_EQ(box.Caption, caption);
            EXPECT_FALSE(box.HasIcon());
            EXPECT_EQ(box.Buttons(), 1);
            EXPECT_EQ(box.FirstButton(), L"OK");
            EXPECT_NEAR((box.WindowRect.left + box.WindowRect.right) / 2, screenX, 2) << row.name;
            EXPECT_NEAR((box.WindowRect.top + box.WindowRect.bottom) / 2, screenY, 2) << row.name;
            ProcessMessages();
            EXPECT_EQ(watcher.Count(), 1u) << "one message, then the silent abort";
        }
        window.Drop({FGood});
        ASSERT_TRUE(window->Loaded());
    }
    EXPECT_EQ(Application().ExceptionReports(), reports);
}

TEST_F(ViewerWindow, DocumentStatesEmptyShownBlankAndBack) {
    TViewerWindow window;
    TfrmMain& form = window.Form();

    // empty -> (missing file) -> still empty
    {
        TMessageBoxWatcher watcher;
        window.Drop({FMissing});
        ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; }));
    }
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(form.HasOpenFile());
    EXPECT_FALSE(form.spbReopen.Enabled());
    EXPECT_EQ(WindowText(window.Handle()), L"RULV Viewer");

    // empty -> shown
    window.Drop({FGood});
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.GetOpenFileName(), FGood);
    EXPECT_EQ(form.Colors(), (TPaletteArray{0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFF00, 0xFF00FF}));
    EXPECT_EQ(Application().Title(), L"good.rulv - RULV Viewer");
    EXPECT_EQ(WindowText(window.Handle()), L"good.rulv - RULV Viewer");
    EXPECT_TRUE(form.spbReopen.Enabled());
    EXPECT_TRUE(form.spbReview.Enabled());
    window.Repaint();
    EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 0, 0), RGB(255, 0, 0));

    // shown -> (faulty file) -> unchanged
    {
        TMessageBoxWatcher watcher;
        window.Drop({FFaulty7});
        ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; }));
    }
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.Colors().size(), 6u);
    EXPECT_EQ(form.GetOpenFileName(), FGood);
    EXPECT_EQ(WindowText(window.Handle()), L"good.rulv - RULV Viewer");
    window.Repaint();
    EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 0, 0), RGB(255, 0, 0));

    // shown -> (missing file) -> blank: background only, the rest kept
    {
        TMessageBoxWatcher watcher;
        window.Drop({FMissing});
        ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; }));
    }
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.GetOpenFileName(), FGood);
    EXPECT_EQ(form.Colors().size(), 6u);
    EXPECT_EQ(WindowText(window.Handle()), L"good.rulv - RULV Viewer");
    EXPECT_TRUE(form.spbReopen.Enabled());
    window.Repaint();
    EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 0, 0), GetSysColor(COLOR_BTNFACE));

    // blank -> (reload) -> shown, read again from disk
    FFolder.Write(L"good.rulv", "808080\r\n");
    window.Command(IDC_FILE_REOPEN);
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.Colors(), (TPaletteArray{0x808080}));
    window.Repaint();
    EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 0, 0), RGB(128, 128, 128));
}

TEST_F(ViewerWindow, DropOfThreeFilesLoadsTheFirst) {
    TViewerWindow window;
    const std::wstring third = FFolder.Write(L"third.rulv", "010203\r\n");
    window.Drop({FOther, FGood, third});
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(window->GetOpenFileName(), FOther);
    EXPECT_EQ(window->Colors(), (TPaletteArray{0x563412, 0xEFCDAB}));
}

TEST_F(ViewerWindow, DropOfALongUnicodeNameLoadsItWhole) {
    // Longer than 259 characters: the whole name, never a cut one.
    std::wstring deep = L"色の地図";
    for (int i = 0; i < 9; ++i) deep += L"\\フォルダー" + std::wstring(24, L'a' + i);
    const std::wstring name = FFolder.Write(deep + L"\\長い名前.rulv", "0A0B0C\r\n");
    ASSERT_GT(name.size(), 300u);
    TViewerWindow window;
    window.Drop({L"\\\\?\\" + name});
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(window->Colors(), (TPaletteArray{0x0C0B0A}));
    EXPECT_EQ(WindowText(window.Handle()), L"長い名前.rulv - RULV Viewer");
}

TEST_F(ViewerWindow, CommandLineLoadsTheFirstArgumentQuotedWithBlanks) {
    const std::wstring spaced = FFolder.Write(L"my maps\\a.rulv", "102030\r\n");
    TViewerWindow window(L"\"C:\\Program Files\\RulvView.exe\" \"" + spaced + L"\" \"" + FGood + L"\"");
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(window->GetOpenFileName(), spaced);
    EXPECT_EQ(window->Colors(), (TPaletteArray{0x302010}));
    EXPECT_EQ(WindowText(window.Handle()), L"a.rulv - RULV Viewer");
    EXPECT_TRUE(window->spbReopen.Enabled());
}

TEST_F(ViewerWindow, FaultyCommandLineFileIsReportedBeforeTheWindowShows) {
    TMessageBoxWatcher watcher;
    TViewerWindow window(L"RulvView.exe " + FFaulty7);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Boxes()[0].Text(), L"7 行目に間違いがあります");
    EXPECT_EQ(watcher.Boxes()[0].Caption, L"RULV Viewer");
    EXPECT_FALSE(watcher.Boxes()[0].MainWindowVisible);
    EXPECT_FALSE(window->Loaded());
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    // ... and the window still takes dropped files.
    EXPECT_TRUE(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    window.Drop({FGood});
    EXPECT_TRUE(window->Loaded());
}

TEST_F(ViewerWindow, TogglesFollowTheBarsAndGiveTheirRoomToThePaintBox) {
    TViewerWindow window;
    TfrmMain& form = window.Form();
    window.Drop({FGood});
    const RECT start = ChildRect(window.Handle(), form.pbxShow.Handle());
    const struct {
        UINT command;
        bool (TfrmMain::*checked)() const;
        HWND bar;
    } rows[] = {
        {IDC_VIEW_TOOLBAR, &TfrmMain::ViewToolbarChecked, form.pnlToolBar.Handle()},
        {IDC_VIEW_STATUSBAR, &TfrmMain::ViewStatusbarChecked, form.stbStatus.Handle()},
    };
    for (const auto& row : rows) {
        RECT bar{};
        GetWindowRect(row.bar, &bar);
        window.Command(row.command);
        EXPECT_FALSE((form.*row.checked)());
        EXPECT_FALSE(IsWindowVisible(row.bar));
        const RECT grown = ChildRect(window.Handle(), form.pbxShow.Handle());
        EXPECT_EQ(grown.bottom - grown.top, (start.bottom - start.top) + (bar.bottom - bar.top));
        // The freed room shows the strip.
        window.Repaint();
        EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 0, grown.bottom - grown.top - 1), RGB(255, 0, 0));
        EXPECT_EQ(PixelOf(form.pbxShow.Handle(), 0, 0), RGB(255, 0, 0));

        window.Command(row.command);
        EXPECT_TRUE((form.*row.checked)());
        EXPECT_TRUE(IsWindowVisible(row.bar));
        const RECT back = ChildRect(window.Handle(), form.pbxShow.Handle());
        EXPECT_TRUE(EqualRect(&back, &start));
    }
    // The toggles go by the bar, not the check mark.
    form.ViewToolbar.SetChecked(false);
    form.ToggleToolBar();
    EXPECT_FALSE(form.pnlToolBar.Visible());
    EXPECT_FALSE(form.ViewToolbarChecked());
}

TEST_F(ViewerWindow, HintPanelFollowsButtonsAndMenuItems) {
    TViewerWindow window;
    TfrmMain& form = window.Form();
    PostMessageW(form.spbOpen.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ProcessMessages();
    EXPECT_EQ(PanelText(form, 2), L"RULVﾌｧｲﾙを開きます");
    // The tooltip shows the short text.
    wchar_t tip[128]{};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = form.pnlToolBar.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(form.spbOpen.Handle());
    tool.lpszText = tip;
    SendMessageW(form.spbOpen.ToolTipHandle(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip, L"開く");

    window.MoveOverPaintBox(5);
    EXPECT_EQ(PanelText(form, 2), L"");

    const struct {
        UINT item;
        UINT flags;
        HMENU menu;
        const wchar_t* hint;
    } rows[] = {
        {IDC_FILE_EXIT, MF_STRING, form.mnuFile.DropDown(), L"このｿﾌﾄを終了します"},
        {0, MF_POPUP, form.mnuMain, L""},
        {IDC_VIEW_TOOLBAR, MF_STRING | MF_CHECKED, form.mnuView.DropDown(), L"ﾂｰﾙﾊﾞｰの表示／非表示をきりかえます"},
        {0, MF_SEPARATOR, form.mnuView.DropDown(), L""},
        {IDC_HELP_ABOUT, MF_STRING, form.mnuHelp.DropDown(), L"このｿﾌﾄのﾊﾞｰｼﾞｮﾝ情報を表示します"},
        // The strip's own menu.
        {IDC_STRIP_COPY_COLOR, MF_STRING, form.mnuStrip.DropDown(), L"ﾎﾟｲﾝﾀｰの下の色を RRGGBB の形でｺﾋﾟｰします"},
        {IDC_STRIP_COPY_PICTURE, MF_STRING, form.mnuStrip.DropDown(), L"表示中の色の帯を画像としてｺﾋﾟｰします"},
        {IDC_STRIP_FOLLOW_FILE, MF_STRING, form.mnuStrip.DropDown(), L"ﾌｧｲﾙが書き換えられたら自動的に読み直します"},
        {0, MF_POPUP, form.mnuStrip.DropDown(), L""},
        {IDC_STRIP_VIEW_PROTAN, MF_STRING, form.StripView.DropDown(), L"1型色覚(P型)の人の見え方で表示します"},
        {0, 0xFFFF, nullptr, L""},
    };
    for (const auto& row : rows) {
        SendMessageW(window.Handle(), WM_MENUSELECT, MAKEWPARAM(row.item, row.flags),
                     reinterpret_cast<LPARAM>(row.menu));
        EXPECT_EQ(PanelText(form, 2), row.hint) << row.item;
    }
}

TEST_F(ViewerWindow, ShortcutsDoNothingBeforeAFileIsHeld) {
    TViewerWindow window;
    TfrmMain& form = window.Form();
    const HWND box = form.pbxShow.Handle();
    {
        TMessageBoxWatcher watcher;
        window.Repaint();
        window.Shortcut('L');
        EXPECT_FALSE(GetUpdateRect(box, nullptr, FALSE)) << "Ctrl+L repainted without a file";
        EXPECT_FALSE(form.ViewReview.Enabled());
        window.Shortcut('R');
        EXPECT_FALSE(form.FileReopen.Enabled());
        ProcessMessages();
        EXPECT_EQ(watcher.Count(), 0u);
    }
    window.Drop({FGood});
    window.Repaint();
    window.Shortcut('L');
    EXPECT_TRUE(GetUpdateRect(box, nullptr, FALSE)) << "Ctrl+L did not repaint";
    EXPECT_TRUE(form.ViewReview.Enabled());
    // Ctrl+R reads the file again.
    FFolder.Write(L"good.rulv", "0000FF\r\n");
    window.Shortcut('R');
    EXPECT_EQ(form.Colors(), (TPaletteArray{0xFF0000}));
}

// --- Following the file ------------------------------------------------------

TEST_F(ViewerWindow, AFileRewrittenAHundredTimesASecondIsReadFiveTimesASecondAndItsLastStateShown) {
    using namespace std::chrono;
    TViewerWindow window;
    TfrmMain& form = window.Form();
    window.Drop({FGood});
    window.Command(IDC_STRIP_FOLLOW_FILE);
    ASSERT_TRUE(form.FollowFileChecked());
    std::atomic<bool> written{false};
    const auto start = steady_clock::now();
    std::thread writer([&] {
        for (int i = 0; i < 100; ++i) {
            RewriteFile(FGood, i % 2 ? "FF0000\r\n" : "00FF00\r\nGG\r\n");
            Sleep(10);
        }
        written = RewriteFile(FGood, "123456\r\n");
    });
    EXPECT_TRUE(WaitFor([&] { return written && form.Colors() == TPaletteArray{0x563412}; }, 20s));
    writer.join();
    const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_GE(form.FollowedReads(), 2);
    EXPECT_LE(form.FollowedReads(), elapsed / 200 + 2) << elapsed << " ms";
    EXPECT_EQ(PanelText(form, 2), L"");
}

BOOL WINAPI CannotWatch(HANDLE, LPVOID, DWORD, BOOL, DWORD, LPDWORD, LPOVERLAPPED, LPOVERLAPPED_COMPLETION_ROUTINE) {
    SetLastError(ERROR_INVALID_FUNCTION);  // what a network drive without notifications says
    return FALSE;
}

TEST_F(ViewerWindow, AFolderThatCannotBeWatchedIsToldInThePanelAndNothingIsFollowed) {
    TViewerWindow window;
    TfrmMain& form = window.Form();
    window.Drop({FGood});
    {
        const TSeamGuard guard(TFileFollower::ReadChanges, &CannotWatch);
        window.Command(IDC_STRIP_FOLLOW_FILE);
    }
    EXPECT_TRUE(form.FollowFileChecked());
    EXPECT_EQ(PanelText(form, 2), L"このﾌｫﾙﾀﾞは変更を監視できません");
    FFolder.Write(L"good.rulv", "0000FF\r\n");
    Sleep(500);
    ProcessMessages();
    EXPECT_EQ(form.FollowedReads(), 0);
    // Turned off, the note goes; another file, in a folder that can be
    // watched, is followed.
    window.Command(IDC_STRIP_FOLLOW_FILE);
    EXPECT_EQ(PanelText(form, 2), L"");
    window.Command(IDC_STRIP_FOLLOW_FILE);
    EXPECT_EQ(PanelText(form, 2), L"");
    FFolder.Write(L"good.rulv", "00FF00\r\n");
    EXPECT_TRUE(WaitFor([&] { return form.Colors() == TPaletteArray{0x00FF00}; }, 5s));
}

TEST_F(ViewerWindow, ExitCommandClosesTheWindow) {
    TViewerWindow window;
    const HWND handle = window.Handle();
    window.Command(IDC_FILE_EXIT);
    EXPECT_FALSE(IsWindow(handle));
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
}  // namespace rulv::test
