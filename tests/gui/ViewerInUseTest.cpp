// ViewerInUseTest.cpp - RulvView.exe as a person uses it: real key presses,
// pointer moves and clicks (SendInput), the window minimised and maximised
// from outside, a fresh process for what persists, and the window read from
// outside: which window is active, what the status panels say, what the
// screen shows, which icon the title bar gets, what the clipboard holds;
// and its file rewritten by this other process while the window follows
// it. The layout test runs at the DPI the session was given
// (scripts/test-dpi runs it at 120, 144 and 192).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainRules.h"
#include "colormap/ColumnMapping.h"
#include "common/SystemError.h"
#include "common/Unicode.h"
#include "resources/resource.h"
#include "tests/support/Files.h"
#include "tests/support/Input.h"
#include "tests/support/MainWindow.h"
#include "tests/support/Process.h"
#include "tests/support/RemoteWindow.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WindowText.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace rulv::test {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kSettingsKey[] = L"Software\\Wuld\\RulvViewer";

// A program of this build, beside tests/ in the build tree.
std::filesystem::path BuiltProgram(const wchar_t* folder, const wchar_t* name) {
    wchar_t self[MAX_PATH * 4]{};
    GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
    return std::filesystem::path(self).parent_path().parent_path().parent_path() / folder / name;
}

std::filesystem::path ViewerProgram() { return BuiltProgram(L"app", L"RulvView.exe"); }

std::wstring SettingText(const wchar_t* section, const wchar_t* name) {
    wchar_t data[64]{};
    DWORD size = sizeof(data);
    const std::wstring key = std::wstring(kSettingsKey) + L"\\" + section;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
        return L"(none)";
    }
    return data;
}

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// One running viewer, its window, and its parts as found from outside.
class TRunningViewer {
public:
    explicit TRunningViewer(std::vector<TNativeArgument> arguments = {})
        : FProcess(ViewerProgram(), arguments) {}

    // Waits for the window: true once it is on screen.
    bool WaitForWindow() {
        if (!FProcess.Started()) return false;
        return WaitFor([&] { return (FWindow = FindMainWindow(FProcess.Id(), L"TfrmMain")) != nullptr; }, 30s);
    }
    HWND Window() const { return FWindow; }
    DWORD Id() const { return FProcess.Id(); }
    TProcess& Process() { return FProcess; }

    HWND StatusBar() const { return Child(L"msctls_statusbar32", 0); }
    HWND PaintBox() const { return Child(L"RulvPaintBox", 0); }
    HWND Panel() const { return Child(L"RulvPanel", 0); }
    // spbOpen, spbReopen, spbReview, left to right.
    HWND Button(int index) const { return Child(L"RulvSpeedButton", index); }
    std::wstring Panel(int panel) const { return StatusPanelText(StatusBar(), panel); }

    // The screen's colour in the middle of the paint box.
    COLORREF StripColor() const {
        RECT rect{};
        GetWindowRect(PaintBox(), &rect);
        const RECT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, 0, 0};
        return ScreenPixels({middle.left, middle.top, middle.left + 1, middle.top + 1}).at(0);
    }

    // Brings the window to the front, as a click on the task bar would.
    bool Activate() {
        SetForegroundWindow(FWindow);
        return WaitFor([&] { return GetForegroundWindow() == FWindow; }, 5s);
    }

    // Closes the window as its close button does, and waits for the end.
    bool Close() {
        PostMessageW(FWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
        return FProcess.Wait(30s).has_value();
    }

private:
    HWND Child(const wchar_t* className, int index) const {
        const std::vector<HWND> children = ChildrenOfClass(FWindow, className);
        return index < static_cast<int>(children.size()) ? children[static_cast<std::size_t>(index)] : nullptr;
    }

    TProcess FProcess;
    HWND FWindow = nullptr;
};

void ClearSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

class ViewerInUse : public ::testing::Test {
protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }

    TTempFolder FFolder;
    std::wstring FGood = FFolder.Write(L"good.rulv", "00FF00\r\n");
    std::wstring FFaulty = FFolder.Write(L"faulty.rulv", "000000\r\n\r\nGG0000\r\n");
};

// --- Focus after every plain message and error report ---------------------------

// Chooses `name` in the open dialog from the keyboard: Ctrl+O, the name, Enter.
void OpenFromTheKeyboard(const TRunningViewer& viewer, const std::wstring& name) {
    TypeKey('O', true);
    WaitFor([&] { return FindBox(viewer.Id()) != nullptr; }, 10s);
    TypeText(name);
    TypeKey(VK_RETURN);
}

TEST_F(ViewerInUse, AfterEveryMessageTheWindowIsActiveAndCtrlRReloads) {
    // The file exists but cannot be opened: the standard error report.
    const std::wstring locked = FFolder.Write(L"locked.rulv", "0000FF\r\n");
    const HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const struct {
        std::wstring name;
        std::wstring message;
    } rows[] = {
        {(FFolder.Path() / L"missing.rulv").wstring(), L"ﾌｧｲﾙが見つかりません"},
        {FFaulty, L"3 行目に間違いがあります"},
        // The standard error report: the system's text for a file in use.
        {locked, ui::ReportText(Utf8ToWide(SystemErrorMessage(ERROR_SHARING_VIOLATION)))},
    };
    TRunningViewer viewer({FGood});
    ASSERT_TRUE(viewer.WaitForWindow());
    ASSERT_TRUE(WaitFor([&] { return viewer.StripColor() == RGB(0, 255, 0); }));
    ASSERT_TRUE(viewer.Activate());
    COLORREF color = RGB(0, 255, 0);
    for (const auto& row : rows) {
        OpenFromTheKeyboard(viewer, row.name);
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindBox(viewer.Id(), row.message)) != nullptr; }, 10s)) << row.name;
        TypeKey(VK_RETURN);  // OK
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); })) << row.name;
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == viewer.Window(); }, 5s))
            << "no window is active after the box for " << row.name;
        // A real Ctrl+R reads the good map again, changed meanwhile.
        color = color == RGB(0, 255, 0) ? RGB(255, 0, 255) : RGB(0, 255, 0);
        FFolder.Write(L"good.rulv", color == RGB(0, 255, 0) ? "00FF00\r\n" : "FF00FF\r\n");
        TypeKey('R', true);
        EXPECT_TRUE(WaitFor([&] { return viewer.StripColor() == color; })) << "Ctrl+R after " << row.name;
    }
    CloseHandle(holder);
    EXPECT_TRUE(viewer.Close());
}

TEST_F(ViewerInUse, AfterAMessageBeforeTheWindowTheWindowComesUpActive) {
    TRunningViewer viewer({FFaulty});
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindBox(viewer.Id(), L"3 行目に間違いがあります")) != nullptr; }, 30s));
    EXPECT_EQ(FindMainWindow(viewer.Id(), L"TfrmMain"), nullptr) << "the message comes before the window";
    TypeKey(VK_RETURN);
    ASSERT_TRUE(viewer.WaitForWindow());
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == viewer.Window(); }, 5s));
    // The keyboard reaches it: Ctrl+O opens the open dialog, Esc closes it.
    TypeKey('O', true);
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (dialog = FindBox(viewer.Id())) != nullptr; }, 10s));
    TypeKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return dialog == nullptr || !IsWindow(dialog); }));
    EXPECT_TRUE(viewer.Close());
}

// --- Closing while minimised or maximised ------------------------------------

TEST_F(ViewerInUse, ClosingWhileMinimisedStoresTheNormalSize) {
    {
        TRunningViewer viewer;
        ASSERT_TRUE(viewer.WaitForWindow());
        const SIZE normal = OuterSize(viewer.Window());
        EXPECT_EQ(normal.cx, 435);
        EXPECT_EQ(normal.cy, 170);
        ShowWindow(viewer.Window(), SW_MINIMIZE);
        ASSERT_TRUE(WaitFor([&] { return IsIconic(viewer.Window()) != FALSE; }));
        ASSERT_TRUE(viewer.Close());
    }
    EXPECT_EQ(SettingText(L"Form", L"Height"), L"170");
    EXPECT_EQ(SettingText(L"Form", L"Width"), L"435");
    // The next start opens at the normal size, not as a bare title bar.
    TRunningViewer again;
    ASSERT_TRUE(again.WaitForWindow());
    const SIZE size = OuterSize(again.Window());
    EXPECT_EQ(size.cx, 435);
    EXPECT_EQ(size.cy, 170);
    EXPECT_TRUE(again.Close());
}

TEST_F(ViewerInUse, ClosingWhileMaximisedStoresTheCurrentSize) {
    TRunningViewer viewer;
    ASSERT_TRUE(viewer.WaitForWindow());
    ShowWindow(viewer.Window(), SW_MAXIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsZoomed(viewer.Window()) != FALSE; }));
    const SIZE maximised = OuterSize(viewer.Window());
    ASSERT_GT(maximised.cx, 435);
    ASSERT_TRUE(viewer.Close());
    EXPECT_EQ(SettingText(L"Form", L"Height"), std::to_wstring(maximised.cy));
    EXPECT_EQ(SettingText(L"Form", L"Width"), std::to_wstring(maximised.cx));
}

// --- Hints ---------------------------------------------------------------------

TEST_F(ViewerInUse, TheLongHintFollowsThePointerWhereverItGoes) {
    TRunningViewer viewer;
    ASSERT_TRUE(viewer.WaitForWindow());
    ASSERT_TRUE(viewer.Activate());
    RECT window{};
    GetWindowRect(viewer.Window(), &window);
    RECT panel{};
    GetWindowRect(viewer.Panel(), &panel);
    auto hint = [&] { return viewer.Panel(2); };
    auto rests = [&](const std::wstring& text) { return WaitFor([&] { return hint() == text; }, 5s); };
    const std::wstring open = L"RULVﾌｧｲﾙを開きます";

    const struct {
        const char* where;
        POINT point;
    } away[] = {
        {"the caption", {(window.left + window.right) / 2, window.top + 8}},
        {"the menu bar", {window.right - 40, panel.top - 6}},
        {"outside the window", {window.right + 200, window.bottom + 200}},
        {"the window's edge", {window.right - 1, (panel.bottom + window.bottom) / 2}},
    };
    for (const auto& place : away) {
        MovePointerOver(viewer.Button(0));
        EXPECT_TRUE(rests(open)) << "over spbOpen, before " << place.where << ": " << testing::PrintToString(hint());
        MovePointerTo(place.point);
        EXPECT_TRUE(rests(L"")) << "over " << place.where << ": " << testing::PrintToString(hint());
    }

    // Back on the button, then into the open dialog, and away from it
    // before it closes.
    MovePointerOver(viewer.Button(0));
    ASSERT_TRUE(rests(open));
    ClickLeft();
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindBox(viewer.Id())) != nullptr; }, 10s));
    MovePointerOver(dialog);
    MovePointerTo({GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5});
    TypeKey(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(rests(L"")) << "after the open dialog: " << testing::PrintToString(hint());
    EXPECT_TRUE(viewer.Close());
}

TEST_F(ViewerInUse, DisabledButtonsShowTheirTooltipAndLongHint) {
    TRunningViewer viewer;
    ASSERT_TRUE(viewer.WaitForWindow());
    ASSERT_TRUE(viewer.Activate());
    ASSERT_FALSE(IsWindowEnabled(viewer.Button(1)));
    const struct {
        int button;
        const wchar_t* tip;
        const wchar_t* hint;
    } rows[] = {
        {1, L"再読み込み", L"RULVﾌｧｲﾙを読み直します"},
        {2, L"再表示", L"表示が乱れたときに再表示します"},
        {0, L"開く", L"RULVﾌｧｲﾙを開きます"},
    };
    for (const auto& row : rows) {
        MovePointerTo({GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5});
        // Onto the button, and a little further, as a hand comes to rest.
        MovePointerOver(viewer.Button(row.button));
        RECT button{};
        GetWindowRect(viewer.Button(row.button), &button);
        MovePointerTo({(button.left + button.right) / 2 + 1, (button.top + button.bottom) / 2 + 1});
        EXPECT_TRUE(WaitFor([&] { return viewer.Panel(2) == row.hint; }, 5s)) << testing::PrintToString(viewer.Panel(2));
        // The button's tooltip, come up under it (the in-process tests read
        // its text, which a tooltip does not give to other programs).
        EXPECT_TRUE(WaitFor([&] { return FindToolTipUnder(viewer.Button(row.button)) != nullptr; }, 5s)) << row.tip;
    }
    EXPECT_TRUE(viewer.Close());
}

// --- Layout, icons and other DPIs -----------------------------------------------

// The DPI this run of the program is for: RULV_TEST_DPI, which the DPI
// test sets after it has given the Wine prefix that DPI (the LogPixels of
// HKCU\Control Panel\Desktop, read when a Wine session starts), or 96.
UINT DpiOfThisRun() {
    wchar_t text[16]{};
    const DWORD length = GetEnvironmentVariableW(L"RULV_TEST_DPI", text, 16);
    return length > 0 && length < 16 ? static_cast<UINT>(_wtoi(text)) : 96u;
}

// The left end of a window's caption, where its small icon is drawn.
RECT CaptionArea(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return {rect.left, rect.top, rect.left + 3 * (origin.y - rect.top), origin.y};
}

// The image of our own icon resource drawn for `size` pixels.
std::vector<COLORREF> IconImage(int size) {
    const auto icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON), IMAGE_ICON, size, size, 0));
    SIZE drawn{};
    std::vector<COLORREF> pixels = IconPixels(icon, drawn);
    DestroyIcon(icon);
    return drawn.cx == size ? pixels : std::vector<COLORREF>{};
}

// Whether the glyph inside a button is drawn in square blocks of `factor`
// pixels, one per pixel of the 16-pixel glyph: crisp, not resampled.
bool DrawnInBlocksOf(const std::vector<COLORREF>& pixels, int width, int factor, POINT origin) {
    for (int y = 0; y < 16 * factor; ++y) {
        for (int x = 0; x < 16 * factor; ++x) {
            const COLORREF block = pixels[static_cast<std::size_t>((origin.y + y / factor * factor) * width +
                                                                   origin.x + x / factor * factor)];
            if (pixels[static_cast<std::size_t>((origin.y + y) * width + origin.x + x)] != block) return false;
        }
    }
    return true;
}

TEST_F(ViewerInUse, LayoutStripReadoutAndImagesAtThisDpi) {
    TPaletteArray colors;
    for (int i = 0; i < 6; ++i) colors.push_back(PackColor(40 * i, 255 - 40 * i, (i * 97) % 256));
    std::string text;
    for (const TPackedColor c : colors) text += HexColorText(c) + "\r\n";
    const std::wstring map = FFolder.Write(L"six.rulv", text);

    const UINT dpi = DpiOfThisRun();
    ASSERT_EQ(GetDpiForSystem(), dpi) << "this Wine session does not run at the DPI of the test";
    {
        MovePointerTo({GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5});
        TRunningViewer viewer({map});
        ASSERT_TRUE(viewer.WaitForWindow());
        ASSERT_TRUE(WaitFor([&] { return WindowText(viewer.Window()) == L"six.rulv - RULV Viewer"; }));
        ASSERT_TRUE(WaitFor([&] {
            RECT box{};
            GetWindowRect(viewer.PaintBox(), &box);
            const auto middle = StripColumnColors(colors, box.right - box.left).at(
                static_cast<std::size_t>((box.right - box.left) / 2));
            return viewer.StripColor() == static_cast<COLORREF>(middle);
        })) << "the strip is not painted";
        auto scaled = [dpi](int length) { return ui::Scale(length, dpi); };

        // The layout's numbers, scaled.
        const SIZE outer = OuterSize(viewer.Window());
        EXPECT_EQ(outer.cx, scaled(435));
        EXPECT_EQ(outer.cy, scaled(170));
        RECT client{};
        GetClientRect(viewer.Window(), &client);
        const RECT bar = RectInParent(viewer.Panel());
        EXPECT_EQ(bar.bottom - bar.top, scaled(27));
        const int lefts[] = {1, 26, 61};
        for (int i = 0; i < 3; ++i) {
            const RECT button = RectInParent(viewer.Button(i));
            EXPECT_EQ(button.left, scaled(lefts[i])) << "button " << i;
            EXPECT_EQ(button.top, scaled(1)) << "button " << i;
            EXPECT_EQ(button.right - button.left, scaled(25)) << "button " << i;
        }
        const RECT status = RectInParent(viewer.StatusBar());
        EXPECT_EQ(status.bottom - status.top, scaled(19));
        EXPECT_EQ(status.bottom, client.bottom);
        const RECT box = RectInParent(viewer.PaintBox());
        EXPECT_EQ(box.top, bar.bottom);
        EXPECT_EQ(box.bottom, status.top);
        EXPECT_EQ(box.right - box.left, client.right);
        if (dpi == 96) {
            EXPECT_EQ(box.right - box.left, 427);
            EXPECT_EQ(box.bottom - box.top, 78);
        }

        // The strip and the readout follow the column mapping over the
        // paint box's real width.
        RECT boxOnScreen{};
        GetWindowRect(viewer.PaintBox(), &boxOnScreen);
        const int width = boxOnScreen.right - boxOnScreen.left;
        const std::vector<TPackedColor> expected = StripColumnColors(colors, width);
        const int row = (boxOnScreen.top + boxOnScreen.bottom) / 2;
        const std::vector<COLORREF> shown = ScreenPixels({boxOnScreen.left, row, boxOnScreen.right, row + 1});
        ASSERT_EQ(shown.size(), expected.size());
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(shown[static_cast<std::size_t>(x)], static_cast<COLORREF>(expected[static_cast<std::size_t>(x)]))
                << "column " << x;
        }
        const TColumnMapping mapping(width, static_cast<std::int32_t>(colors.size()));
        for (const int x : {0, width / 3, width / 2, width - 1}) {
            MovePointerTo({boxOnScreen.left + x, row});
            const auto index = mapping.IndexOf(x);
            EXPECT_TRUE(WaitFor([&] { return viewer.Panel(0) == IndexReadout(index, 6); }, 5s))
                << "x " << x << ": " << testing::PrintToString(viewer.Panel(0));
            EXPECT_EQ(viewer.Panel(1), HexColorReadout(colors[static_cast<std::size_t>(index)])) << "x " << x;
        }

        // The glyphs in whole-pixel blocks, as large as the button allows.
        RECT open{};
        GetWindowRect(viewer.Button(0), &open);
        const int size = open.right - open.left;
        const int factor = std::max(1, (size - 4) / 16);
        EXPECT_EQ(factor, dpi >= 144 ? 2 : 1);
        const std::vector<COLORREF> button = ScreenPixels(open);
        const int glyphLeft = (size - 16 * factor) / 2;
        EXPECT_TRUE(DrawnInBlocksOf(button, size, factor, {glyphLeft, glyphLeft}));

        // The title bar shows the icon's own image for that size.
        const int small = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
        EXPECT_TRUE(ScreenShows(CaptionArea(viewer.Window()), IconImage(small), small))
            << "the caption does not show the " << small << "-pixel image";
        EXPECT_TRUE(viewer.Close());
    }
}

TEST_F(ViewerInUse, TheTitleBarShowsTheSixteenPixelImageOfTheIcon) {
    const std::vector<COLORREF> image = IconImage(16);
    ASSERT_EQ(image.size(), 256u);
    // Its checker band alternates red and olive, which the 32-pixel image
    // made small does not keep.
    ASSERT_NE(image[3], image[4]);
    TRunningViewer viewer;
    ASSERT_TRUE(viewer.WaitForWindow());
    EXPECT_TRUE(WaitFor([&] { return ScreenShows(CaptionArea(viewer.Window()), image, 16); }, 5s));
    EXPECT_TRUE(viewer.Close());
}

// --- The strip's own menu ------------------------------------------------------

// The map's colours as a colour-map file's text.
std::string MapOf(const std::vector<TPackedColor>& colors) {
    std::string text;
    for (const TPackedColor c : colors) text += HexColorText(c) + "\r\n";
    return text;
}

// Opens the strip's menu with a right-click where the pointer is, types
// `keys` (mnemonics of its items) and waits until the menu has closed.
bool ChooseFromStripMenu(const TRunningViewer& viewer, std::initializer_list<WORD> keys) {
    ClickRight();
    if (!WaitFor([&] { return !FindPopupMenus(viewer.Id()).empty(); }, 5s)) return false;
    for (const WORD key : keys) TypeKey(key);
    return WaitFor([&] { return FindPopupMenus(viewer.Id()).empty(); }, 5s);
}

// The paint box's middle row as the screen shows it.
std::vector<COLORREF> StripRow(const TRunningViewer& viewer) {
    RECT box{};
    GetWindowRect(viewer.PaintBox(), &box);
    const int row = (box.top + box.bottom) / 2;
    return ScreenPixels({box.left, row, box.right, row + 1});
}

// The top row of `rulvtool render --view` of `map` at `size`.
std::vector<COLORREF> RenderedRow(const std::wstring& map, const wchar_t* view, SIZE size,
                                  const std::filesystem::path& png) {
    TProcess tool(BuiltProgram(L"tool", L"rulvtool.exe"),
                  {L"render", map, L"-o", png.wstring(), L"--view", view, L"--size",
                   std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy)});
    std::vector<COLORREF> row;
    if (tool.Wait(60s).value_or(-1) != 0) return row;
    FILE* file = _wfopen(png.c_str(), L"rb");
    if (!file) return row;
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_file(file, &width, &height, &channels, 3);
    fclose(file);
    if (!pixels) return row;
    for (int x = 0; x < width; ++x) row.push_back(RGB(pixels[3 * x], pixels[3 * x + 1], pixels[3 * x + 2]));
    stbi_image_free(pixels);
    return row;
}

TEST_F(ViewerInUse, TheStripsMenuShowsTheMapAsOtherEyesSeeIt) {
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 24; ++i) colors.push_back(PackColor(i * 11, 255 - i * 10, (i * 97) % 256));
    const std::wstring map = FFolder.Write(L"views.rulv", MapOf(colors));
    TRunningViewer viewer({map});
    ASSERT_TRUE(viewer.WaitForWindow());
    ASSERT_TRUE(WaitFor([&] { return WindowText(viewer.Window()) == L"views.rulv - RULV Viewer"; }));
    ASSERT_TRUE(viewer.Activate());
    RECT box{};
    GetWindowRect(viewer.PaintBox(), &box);
    const SIZE size{box.right - box.left, box.bottom - box.top};
    const TColumnMapping mapping(size.cx, static_cast<std::int32_t>(colors.size()));
    const int x = size.cx / 3;
    const TPackedColor real = colors.at(static_cast<std::size_t>(mapping.IndexOf(x)));

    // Each view from the menu's keys: the strip as rulvtool renders it, the
    // readout with the simulated colour first, the view's name in panel 3.
    const struct {
        TVisionView view;
        WORD key;
        const wchar_t* note;
    } rows[] = {
        {TVisionView::Grey, 'G', L"ｸﾞﾚｰで表示中"},
        {TVisionView::Protan, 'P', L"1型色覚の見え方で表示中"},
        {TVisionView::Deutan, 'D', L"2型色覚の見え方で表示中"},
        {TVisionView::Tritan, 'T', L"3型色覚の見え方で表示中"},
        {TVisionView::Normal, 'N', L""},
    };
    for (const auto& row : rows) {
        const std::string name(VisionViewName(row.view));
        MovePointerTo({box.left + x, (box.top + box.bottom) / 2});
        ASSERT_TRUE(ChooseFromStripMenu(viewer, {'V', row.key})) << name;
        const std::vector<COLORREF> rendered =
            RenderedRow(map, Arg(name).c_str(), size, FFolder.Path() / (name + ".png"));
        ASSERT_EQ(rendered.size(), static_cast<std::size_t>(size.cx)) << name;
        EXPECT_TRUE(WaitFor([&] { return StripRow(viewer) == rendered; }, 5s)) << name;
        EXPECT_TRUE(WaitFor([&] { return viewer.Panel(2) == row.note; }, 5s))
            << name << ": " << testing::PrintToString(viewer.Panel(2));
        MovePointerTo({box.left + x + 1, (box.top + box.bottom) / 2});
        MovePointerTo({box.left + x, (box.top + box.bottom) / 2});
        EXPECT_TRUE(WaitFor([&] { return viewer.Panel(1) == ViewedColorReadout(real, row.view); }, 5s))
            << name << ": " << testing::PrintToString(viewer.Panel(1));
    }
    // The keyboard opens the menu too: Shift+F10 and the context-menu key.
    for (const WORD key : {static_cast<WORD>(VK_F10), static_cast<WORD>(VK_APPS)}) {
        if (key == VK_F10) TypeKeyWith(VK_SHIFT, VK_F10);
        else TypeKey(VK_APPS);
        EXPECT_TRUE(WaitFor([&] { return !FindPopupMenus(viewer.Id()).empty(); }, 5s)) << "key " << key;
        TypeKey(VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return FindPopupMenus(viewer.Id()).empty(); }, 5s)) << "key " << key;
    }
    EXPECT_EQ(FindBox(viewer.Id()), nullptr);
    EXPECT_TRUE(viewer.Close());
}

// What another program finds on the clipboard.
std::optional<std::wstring> ClipboardText() {
    std::optional<std::wstring> text;
    if (!OpenClipboard(nullptr)) return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void PutClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// The clipboard's CF_DIB: its size, and its rows top first.
struct TClipboardPicture {
    LONG Width = 0;
    LONG Height = 0;
    WORD BitCount = 0;
    std::vector<std::vector<COLORREF>> Rows;
};

TClipboardPicture ClipboardPicture() {
    TClipboardPicture picture;
    if (!OpenClipboard(nullptr)) return picture;
    if (const HANDLE data = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
        picture = {header->biWidth, header->biHeight, header->biBitCount, {}};
        const auto* bits = reinterpret_cast<const BYTE*>(header + 1);
        const std::size_t stride = (static_cast<std::size_t>(header->biWidth) * 3 + 3) / 4 * 4;
        for (LONG y = header->biHeight - 1; header->biBitCount == 24 && y >= 0; --y) {
            std::vector<COLORREF> row;
            for (LONG x = 0; x < header->biWidth; ++x) {
                const BYTE* pixel = bits + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
                row.push_back(RGB(pixel[2], pixel[1], pixel[0]));
            }
            picture.Rows.push_back(std::move(row));
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    return picture;
}

TEST_F(ViewerInUse, CopiesTheColorUnderThePointerAndTheStripAsItIsPainted) {
    const std::vector<TPackedColor> colors{0x8F523F, 0x123456, 0xFEDCBA, 0x00FF00, 0x0000FF, 0x808080};
    const std::wstring map = FFolder.Write(L"copy.rulv", MapOf(colors));
    {
        // No map shown: nothing is copied, from the menu or with Ctrl+C.
        TRunningViewer empty;
        ASSERT_TRUE(empty.WaitForWindow());
        ASSERT_TRUE(empty.Activate());
        PutClipboardText(L"before");
        MovePointerOver(empty.PaintBox());
        ASSERT_TRUE(ChooseFromStripMenu(empty, {'C'}));
        TypeKey(VK_ESCAPE);  // a disabled item leaves the menu open
        TypeKey('C', true);
        Sleep(300);
        EXPECT_EQ(ClipboardText(), L"before");
        EXPECT_TRUE(empty.Close());
    }
    TRunningViewer viewer({map});
    ASSERT_TRUE(viewer.WaitForWindow());
    ASSERT_TRUE(WaitFor([&] { return WindowText(viewer.Window()) == L"copy.rulv - RULV Viewer"; }));
    ASSERT_TRUE(viewer.Activate());
    RECT box{};
    GetWindowRect(viewer.PaintBox(), &box);
    const int width = box.right - box.left;
    const int middle = (box.top + box.bottom) / 2;
    const TColumnMapping mapping(width, static_cast<std::int32_t>(colors.size()));
    auto entry = [&](int x) { return colors.at(static_cast<std::size_t>(mapping.IndexOf(x))); };

    // Ctrl+C over the strip, and the menu's item where the right button went.
    MovePointerTo({box.left + 5, middle});
    TypeKey('C', true);
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == HexColorReadout(entry(5)); }, 5s));
    MovePointerTo({box.left + width / 2, middle});
    ASSERT_TRUE(ChooseFromStripMenu(viewer, {'C'}));
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == HexColorReadout(entry(width / 2)); }, 5s));
    // In a view, the colour as the strip shows it.
    ASSERT_TRUE(ChooseFromStripMenu(viewer, {'V', 'P'}));
    TypeKey('C', true);
    EXPECT_TRUE(WaitFor(
        [&] { return ClipboardText() == HexColorReadout(SimulateView(entry(width / 2), TVisionView::Protan)); }, 5s));
    // Ctrl+C off the strip copies nothing.
    PutClipboardText(L"kept");
    MovePointerOver(viewer.StatusBar());
    TypeKey('C', true);
    Sleep(300);
    EXPECT_EQ(ClipboardText(), L"kept");

    // The strip as a picture: the paint box's size, every row as painted.
    MovePointerTo({box.left + width / 2, middle});
    ASSERT_TRUE(ChooseFromStripMenu(viewer, {'I'}));
    TClipboardPicture picture;
    EXPECT_TRUE(WaitFor([&] { return (picture = ClipboardPicture()).Width == width; }, 5s));
    EXPECT_EQ(picture.Height, box.bottom - box.top);
    EXPECT_EQ(picture.BitCount, 24);
    const std::vector<COLORREF> screen = ScreenPixels(box);
    ASSERT_EQ(picture.Rows.size(), static_cast<std::size_t>(box.bottom - box.top));
    for (std::size_t y = 0; y < picture.Rows.size(); ++y) {
        const std::vector<COLORREF> shown(screen.begin() + static_cast<std::ptrdiff_t>(y * width),
                                          screen.begin() + static_cast<std::ptrdiff_t>((y + 1) * width));
        ASSERT_EQ(picture.Rows[y], shown) << "row " << y;
    }

    // Held by another program for a moment: the copy waits for it.
    PutClipboardText(L"held");
    ASSERT_TRUE(OpenClipboard(nullptr));
    TypeKey('C', true);
    Sleep(40);
    CloseClipboard();
    EXPECT_TRUE(WaitFor(
        [&] { return ClipboardText() == HexColorReadout(SimulateView(entry(width / 2), TVisionView::Protan)); }, 5s));
    EXPECT_EQ(viewer.Panel(2), L"1型色覚の見え方で表示中");
    // Held longer: told in panel 3 after a short while, no box, and the
    // next copy works.
    ASSERT_TRUE(OpenClipboard(nullptr));
    TypeKey('C', true);
    EXPECT_TRUE(WaitFor([&] { return viewer.Panel(2) == L"ｸﾘｯﾌﾟﾎﾞｰﾄﾞが他のｿﾌﾄに使われていてｺﾋﾟｰできません　1型色覚の見え方で表示中"; }, 5s))
        << testing::PrintToString(viewer.Panel(2));
    CloseClipboard();
    EXPECT_EQ(FindBox(viewer.Id()), nullptr);
    TypeKey('C', true);
    EXPECT_TRUE(WaitFor(
        [&] { return ClipboardText() == HexColorReadout(SimulateView(entry(width / 2), TVisionView::Protan)); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return viewer.Panel(2) == L"1型色覚の見え方で表示中"; }, 5s));
    EXPECT_TRUE(viewer.Close());
}

// --- Following the file ------------------------------------------------------

// Writes `bytes` as the file, as an editor's save does: the file opened,
// truncated and written in place.
void Save(const std::filesystem::path& file, const std::string& bytes) { ASSERT_TRUE(RewriteFile(file, bytes)); }

// The same by writing a new file beside it and renaming it over the old one
// (tried again while the viewer reads the old one).
void SaveByRename(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::path temporary = file;
    temporary += L".tmp";
    Save(temporary, bytes);
    EXPECT_TRUE(WaitFor(
        [&] { return MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; }));
}

TEST_F(ViewerInUse, FollowsTheFileWhileAnotherProgramRewritesItWithoutABox) {
    const std::filesystem::path file = FFolder.Write(L"maps\\edited.rulv", "00FF00\r\n");
    {
        TRunningViewer viewer({file});
        ASSERT_TRUE(viewer.WaitForWindow());
        ASSERT_TRUE(WaitFor([&] { return viewer.StripColor() == RGB(0, 255, 0); }));
        ASSERT_TRUE(viewer.Activate());
        MovePointerOver(viewer.PaintBox());
        ASSERT_TRUE(ChooseFromStripMenu(viewer, {'F'}));
        MovePointerTo({GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5});

        // Each save as the other program makes it; what the window shows
        // after it, and what panel 3 says. A fault leaves the map before.
        const struct {
            const char* step;
            void (*save)(const std::filesystem::path&, const std::string&);
            const char* bytes;  // nullptr: the file is deleted
            COLORREF shown;
            const wchar_t* note;
        } rows[] = {
            {"good", &Save, "FF00FF\r\n", RGB(255, 0, 255), L""},
            {"faulty", &Save, "000000\r\nGG0000\r\n", RGB(255, 0, 255), L"2 行目に間違いがあります"},
            {"no colour", &Save, "* nothing\r\n", RGB(255, 0, 255), L"色が１色も指定してありません"},
            {"good again", &Save, "00FFFF\r\n", RGB(0, 255, 255), L""},
            {"replaced", &SaveByRename, "0000FF\r\n", RGB(0, 0, 255), L""},
            {"deleted", nullptr, nullptr, RGB(0, 0, 255), L"ﾌｧｲﾙが見つかりません"},
            {"written anew", &Save, "FFFF00\r\n", RGB(255, 255, 0), L""},
        };
        for (const auto& row : rows) {
            if (row.save) row.save(file, row.bytes);
            else ASSERT_TRUE(DeleteFileW(file.c_str()));
            EXPECT_TRUE(WaitFor([&] { return viewer.Panel(2) == row.note; }, 5s))
                << row.step << ": " << testing::PrintToString(viewer.Panel(2));
            EXPECT_TRUE(WaitFor([&] { return viewer.StripColor() == row.shown; }, 5s)) << row.step;
            EXPECT_EQ(FindBox(viewer.Id()), nullptr) << row.step;
        }

        // The folder renamed: the file is followed there, and Ctrl+R reads it there.
        const std::filesystem::path moved = FFolder.Path() / L"renamed" / L"edited.rulv";
        ASSERT_TRUE(MoveFileW((FFolder.Path() / L"maps").c_str(), (FFolder.Path() / L"renamed").c_str()));
        Save(moved, "FF0000\r\n");
        EXPECT_TRUE(WaitFor([&] { return viewer.StripColor() == RGB(255, 0, 0); }, 5s));
        Save(moved, "0000FF\r\n");
        EXPECT_TRUE(WaitFor([&] { return viewer.StripColor() == RGB(0, 0, 255); }, 5s));
        ASSERT_TRUE(viewer.Activate());
        TypeKey('R', true);
        Sleep(300);
        EXPECT_EQ(FindBox(viewer.Id()), nullptr) << "Ctrl+R looked for the file in the old folder";
        EXPECT_EQ(viewer.StripColor(), RGB(0, 0, 255));
        EXPECT_TRUE(viewer.Close());
        EXPECT_EQ(SettingText(L"View", L"FollowFile"), L"1");
    }
    // A fresh process follows from the start, and stores it again.
    const std::filesystem::path again = FFolder.Path() / L"renamed" / L"edited.rulv";
    TRunningViewer viewer({again});
    ASSERT_TRUE(viewer.WaitForWindow());
    ASSERT_TRUE(WaitFor([&] { return viewer.StripColor() == RGB(0, 0, 255); }));
    Save(again, "00FF00\r\n");
    EXPECT_TRUE(WaitFor([&] { return viewer.StripColor() == RGB(0, 255, 0); }, 5s));
    EXPECT_TRUE(viewer.Close());
    EXPECT_EQ(SettingText(L"View", L"FollowFile"), L"1");
}

}  // namespace
}  // namespace rulv::test
