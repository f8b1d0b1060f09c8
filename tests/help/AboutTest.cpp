// AboutTest.cpp - the about box: its texts from TAboutDialog, its layout,
// its pixels and how it closes. A watcher thread reads and closes each box.
#include "about/About.h"
#include "about/AboutDialog.h"
#include "resources/AboutResource.h"
#include "tests/support/MessageBoxWatcher.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Handles.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace rulv::test {
namespace {

enum class Closing { Enter, TitleBar, EscapeThenEnter };

struct TShowing {
    TBoxSnapshot box;
    bool result = false;
    bool boxGoneAfterwards = false;
};

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Initialize(GetModuleHandleW(nullptr), 0);
        ui::Application().SetTitle(L"RULV Viewer");
    }

    // The values the main window's dlgAbout holds.
    static TAboutDialog MainWindowValues() {
        TAboutDialog dialog;
        dialog.Caption = L"ﾊﾞｰｼﾞｮﾝ情報";
        dialog.Title = L"RULV Viewer";
        dialog.Version = L"0.51";
        dialog.Copyright = L"Wuld";
        dialog.Year = L"2026";
        return dialog;
    }

    // Shows the box of `dialog`, reads it, runs `inspect` on it (in the
    // watcher thread) and closes it the way `closing` says.
    static TShowing Show(TAboutDialog& dialog, Closing closing,
                         const std::function<void(HWND)>& inspect = {}) {
        TShowing showing;
        {
            TMessageBoxWatcher watcher([&](HWND box) {
                showing.box = Snapshot(box);
                if (inspect) inspect(box);
                switch (closing) {
                case Closing::Enter:
                    PressKey(box, VK_RETURN);
                    break;
                case Closing::TitleBar:
                    CloseFromTitleBar(box);
                    break;
                case Closing::EscapeThenEnter:
                    PressKey(box, VK_ESCAPE);
                    PressKey(box, VK_RETURN);
                    break;
                }
            });
            showing.result = dialog.ShowAboutBox();
        }
        showing.boxGoneAfterwards = !IsWindow(showing.box.Window);
        return showing;
    }
};

// --- Texts and result ---------------------------------------------------------

struct TextCase {
    const char* name;
    void (*change)(TAboutDialog&);
    const wchar_t* caption;
    const wchar_t* title;
    const wchar_t* version;
    const wchar_t* copyright;
};

const TextCase kTextCases[] = {
    {"main window's values", [](TAboutDialog&) {}, L"ﾊﾞｰｼﾞｮﾝ情報", L"RULV Viewer",
     L"Version 0.51", L"Copyright(C) 2026  Wuld"},
    {"empty caption keeps the layout's", [](TAboutDialog& d) { d.Caption.clear(); },
     L"ﾊﾞｰｼﾞｮﾝ情報", L"RULV Viewer", L"Version 0.51", L"Copyright(C) 2026  Wuld"},
    {"own caption", [](TAboutDialog& d) { d.Caption = L"About & more"; }, L"About & more",
     L"RULV Viewer", L"Version 0.51", L"Copyright(C) 2026  Wuld"},
    {"empty title is the application's", [](TAboutDialog& d) { d.Title.clear(); },
     L"ﾊﾞｰｼﾞｮﾝ情報", L"sunset.rulv - RULV Viewer", L"Version 0.51",
     L"Copyright(C) 2026  Wuld"},
    {"empty version", [](TAboutDialog& d) { d.Version.clear(); }, L"ﾊﾞｰｼﾞｮﾝ情報",
     L"RULV Viewer", L"Version ", L"Copyright(C) 2026  Wuld"},
    {"empty year leaves three blanks", [](TAboutDialog& d) { d.Year.clear(); },
     L"ﾊﾞｰｼﾞｮﾝ情報", L"RULV Viewer", L"Version 0.51", L"Copyright(C)   Wuld"},
    {"free year text", [](TAboutDialog& d) { d.Year = L"2025-2026"; }, L"ﾊﾞｰｼﾞｮﾝ情報",
     L"RULV Viewer", L"Version 0.51", L"Copyright(C) 2025-2026  Wuld"},
};

TEST_F(AboutTest, ShowsTheDialogsTextsInTheThreeLines) {
    for (const TextCase& c : kTextCases) {
        SCOPED_TRACE(c.name);
        ui::Application().SetTitle(L"sunset.rulv - RULV Viewer");
        TAboutDialog dialog = MainWindowValues();
        c.change(dialog);
        const TShowing showing = Show(dialog, Closing::Enter);
        EXPECT_EQ(showing.box.Caption, c.caption);
        ASSERT_NE(showing.box.FindById(IDC_ABOUT_TITLE), nullptr);
        EXPECT_EQ(showing.box.FindById(IDC_ABOUT_TITLE)->Text, c.title);
        EXPECT_EQ(showing.box.FindById(IDC_ABOUT_VERSION)->Text, c.version);
        EXPECT_EQ(showing.box.FindById(IDC_ABOUT_COPYRIGHT)->Text, c.copyright);
    }
}

TEST_F(AboutTest, EnterGivesTrueAndEveryOtherWayOfClosingFalse) {
    const struct {
        Closing closing;
        bool result;
    } cases[] = {
        {Closing::Enter, true},
        {Closing::TitleBar, false},
        {Closing::EscapeThenEnter, true},  // Esc alone does not close the box
    };
    for (const auto& c : cases) {
        TAboutDialog dialog = MainWindowValues();
        const TShowing showing = Show(dialog, c.closing);
        EXPECT_EQ(showing.result, c.result) << static_cast<int>(c.closing);
        EXPECT_TRUE(showing.boxGoneAfterwards) << "the box is destroyed after its showing";
    }
}

TEST_F(AboutTest, EachShowingBuildsAFreshBox) {
    TAboutDialog dialog = MainWindowValues();
    const TShowing first = Show(dialog, Closing::Enter, [](HWND box) {
        SetWindowTextW(GetDlgItem(box, IDC_ABOUT_TITLE), L"changed in the first box");
        SetWindowTextW(box, L"changed");
    });
    const TShowing second = Show(dialog, Closing::Enter);
    EXPECT_TRUE(first.boxGoneAfterwards);
    EXPECT_EQ(second.box.Caption, L"ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(second.box.FindById(IDC_ABOUT_TITLE)->Text, L"RULV Viewer");
    EXPECT_EQ(second.box.Focus, second.box.FindById(IDOK)->Window);
}

TEST_F(AboutTest, OtherWindowsWaitWhileTheBoxIsUp) {
    ui::TWindowHandle other(CreateWindowExW(0, L"STATIC", L"other",
                                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                            nullptr, nullptr, nullptr, nullptr));
    bool disabledMeanwhile = false;
    TAboutDialog dialog = MainWindowValues();
    Show(dialog, Closing::Enter,
         [&](HWND) { disabledMeanwhile = !IsWindowEnabled(other.Get()); });
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(other.Get()));
}

// --- Layout -----------------------------------------------------------------------

TEST_F(AboutTest, LayoutPlacesTheControlsAndCentresTheBox) {
    TAboutDialog dialog = MainWindowValues();
    UINT dpi = 96;
    LOGFONTW font{};
    const TShowing showing = Show(dialog, Closing::Enter, [&](HWND box) {
        dpi = ui::WindowDpi(box);
        const auto handle = reinterpret_cast<HFONT>(
            SendMessageW(GetDlgItem(box, IDC_ABOUT_TITLE), WM_GETFONT, 0, 0));
        GetObjectW(handle, sizeof font, &font);
    });
    auto scale = [dpi](int length) { return ui::Scale(length, dpi); };
    const TBoxSnapshot& box = showing.box;

    EXPECT_EQ(box.ClientRect.right, scale(329));
    EXPECT_EQ(box.ClientRect.bottom, scale(103));
    const int width = box.WindowRect.right - box.WindowRect.left;
    const int height = box.WindowRect.bottom - box.WindowRect.top;
    EXPECT_NEAR(box.WindowRect.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, 1);
    EXPECT_NEAR(box.WindowRect.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 1);
    EXPECT_FALSE(box.Style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX))
        << "fixed dialog frame";
    EXPECT_TRUE(box.Style & WS_CAPTION);

    const struct {
        int id;
        int left, top, width, height;
    } places[] = {
        {IDC_ABOUT_ICON, 8, 16, 32, 32},       {IDC_ABOUT_TITLE, 56, 16, 217, 12},
        {IDC_ABOUT_VERSION, 56, 32, 217, 12},  {IDC_ABOUT_COPYRIGHT, 56, 48, 217, 12},
        {IDC_ABOUT_IMAGE1, 288, 16, 32, 32},   {IDOK, 128, 72, 73, 25},
    };
    for (const auto& place : places) {
        const TBoxControl* control = box.FindById(place.id);
        ASSERT_NE(control, nullptr) << place.id;
        EXPECT_EQ(control->Rect.left, scale(place.left)) << place.id;
        EXPECT_EQ(control->Rect.top, scale(place.top)) << place.id;
        EXPECT_EQ(control->Rect.right - control->Rect.left, scale(place.width)) << place.id;
        EXPECT_EQ(control->Rect.bottom - control->Rect.top, scale(place.height)) << place.id;
    }
    const TBoxControl* button = box.FindById(IDOK);
    EXPECT_EQ(button->Text, L"&OK");
    EXPECT_EQ(button->Style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(box.Focus, button->Window) << "first in tab order";

    EXPECT_EQ(font.lfHeight, -scale(12));
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");
}

// --- Pixels -----------------------------------------------------------------------

// The colours of a w x h area of `box`'s client area, row by row.
std::vector<COLORREF> ClientPixels(HWND box, int left, int top, int width, int height) {
    RedrawWindow(box, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ui::TWindowDC dc(box);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc.Get(), left + x, top + y));
    return pixels;
}

// How `icon` looks at its own size on the button face.
std::vector<COLORREF> IconPixels(HICON icon, int size) {
    ui::TWindowDC screen(nullptr);
    ui::TMemoryDC memory(screen.Get());
    ui::TBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), size, size));
    ui::TSelectGuard selected(memory.Get(), bitmap.Get());
    RECT all{0, 0, size, size};
    FillRect(memory.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    DrawIconEx(memory.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pixels.push_back(GetPixel(memory.Get(), x, y));
    return pixels;
}

TEST_F(AboutTest, ShowsTheApplicationIconTheEmblemAndALoweredBevel) {
    TAboutDialog dialog = MainWindowValues();
    std::vector<COLORREF> icon, image1, bevelTop, bevelLeft, bevelBottom, bevelRight;
    HICON shownIcon = nullptr;
    Show(dialog, Closing::Enter, [&](HWND box) {
        icon = ClientPixels(box, 8, 16, 32, 32);
        image1 = ClientPixels(box, 288, 16, 32, 32);
        bevelTop = ClientPixels(box, 60, 8, 1, 1);
        bevelLeft = ClientPixels(box, 48, 60, 1, 1);
        bevelBottom = ClientPixels(box, 60, 8 + 56, 1, 1);
        bevelRight = ClientPixels(box, 48 + 232, 60, 1, 1);
        shownIcon = reinterpret_cast<HICON>(
            SendMessageW(GetDlgItem(box, IDC_ABOUT_ICON), STM_GETICON, 0, 0));
    });
    if (ui::WindowDpi(GetDesktopWindow()) != 96) GTEST_SKIP() << "pixels are checked at 96 DPI";

    EXPECT_NE(shownIcon, nullptr);
    EXPECT_NE(shownIcon, ui::Application().Icon()) << "the box shows a copy of its own";
    EXPECT_EQ(icon, IconPixels(ui::Application().Icon(), 32));

    HICON emblem = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                                 MAKEINTRESOURCEW(IDI_ABOUT_EMBLEM),
                                                 IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    ASSERT_NE(emblem, nullptr);
    const std::vector<COLORREF> expected = IconPixels(emblem, 32);
    DestroyIcon(emblem);
    EXPECT_GE(std::set<COLORREF>(expected.begin(), expected.end()).size(), 6u)
        << "the emblem is a picture, not a plain area";
    EXPECT_EQ(image1, expected);

    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    EXPECT_EQ(bevelTop.at(0), shadow);
    EXPECT_EQ(bevelLeft.at(0), shadow);
    EXPECT_EQ(bevelBottom.at(0), highlight);
    EXPECT_EQ(bevelRight.at(0), highlight);
}

TEST_F(AboutTest, LabelTextIsCentredOnOneLine) {
    TAboutDialog dialog = MainWindowValues();
    std::vector<COLORREF> title;
    Show(dialog, Closing::Enter,
         [&](HWND box) { title = ClientPixels(box, 56, 16, 217, 12); });
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int first = 217, last = -1;
    for (int x = 0; x < 217; ++x)
        for (int y = 0; y < 12; ++y)
            if (title[static_cast<size_t>(y * 217 + x)] != face) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    ASSERT_GE(last, first) << "the title is drawn";
    EXPECT_NEAR(first, 216 - last, 3) << "as much room on the left as on the right";
}

TEST(AboutEmblem, HoldsSixteenColorImagesOf32And16PixelsAndTheirDpiSizes) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(IDI_ABOUT_EMBLEM), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(data, nullptr);
    // GRPICONDIR: reserved, type, count; then 14-byte entries.
    const WORD count = *reinterpret_cast<const WORD*>(data + 4);
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = data + 6 + 14 * i;
        const WORD bitCount = *reinterpret_cast<const WORD*>(entry + 6);
        EXPECT_EQ(entry[2], 16) << "colour count";
        EXPECT_EQ(bitCount, 4);
        EXPECT_EQ(entry[0], entry[1]);
        sizes.insert(entry[0]);
    }
    // 32 and 16 as the layout has them, and the sizes the 32-pixel image
    // takes at 120, 144 and 192 pixels per inch, drawn at their own size.
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 40, 48, 64}));
}

}  // namespace
}  // namespace rulv::test
