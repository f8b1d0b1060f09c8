// Main.cpp - the viewer window: start-up, the load flow, the commands, the
// bars, the colour strip with its pointer readout, and the strip's own menu:
// copying, the simulated views and following the file on disk.
#include "app/Main.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstddef>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "app/MainRules.h"
#include "app/StripPainter.h"
#include "app/URegistry.h"
#include "colormap/ColumnMapping.h"
#include "colormap/formats/MapFiles.h"
#include "common/Errors.h"
#include "common/RegionalSettings.h"
#include "common/Unicode.h"
#include "resources/RulvVersion.h"
#include "resources/Texts.h"
#include "resources/resource.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Shell.h"

using rulv::ui::Application;
using rulv::ui::Scale;
namespace texts = rulv::texts;

TfrmMain* frmMain = nullptr;

TfrmMain::TSystemPaletteSize TfrmMain::SystemPaletteSize = [](HDC dc) { return GetDeviceCaps(dc, SIZEPALETTE); };

namespace {

constexpr wchar_t kFormClass[] = L"TfrmMain";

// Layout at 96 DPI.
constexpr int kFormWidth = 435;
constexpr int kFormHeight = 170;
constexpr int kToolBarHeight = 27;
constexpr int kStatusBarHeight = 19;
constexpr int kButtonSize = 25;
constexpr int kButtonTop = 1;
constexpr int kFontHeight = 12;
constexpr int kIndexPanelWidth = 60;
constexpr int kColorPanelWidth = 50;
// The colour readout of a view: the simulated colour, then the map's own.
constexpr int kViewedColorPanelWidth = 110;
constexpr int kHintPanelWidth = 50;

// The timer that reads a followed file again, and how often a read that
// met an input-output error (the file still held by its writer) is tried
// again before the fault is left in the status panel.
constexpr UINT_PTR kFollowTimer = 1;
constexpr int kFollowRetries = 5;

using TClick = void (TfrmMain::*)();

// The toolbar's buttons: glyph, tooltip, long hint, place and command.
struct TButtonEntry {
    rulv::ui::TSpeedButton TfrmMain::*Button;
    int Glyph;
    const wchar_t* ShortHint;
    const wchar_t* LongHint;
    int Left;
    bool EnabledAtStart;
    TClick Click;
};

const TButtonEntry kButtons[] = {
    {&TfrmMain::spbOpen, IDB_OPEN, texts::kOpenShortHint, texts::kOpenHint, 1, true, &TfrmMain::FileOpenClick},
    {&TfrmMain::spbReopen, IDB_REOPEN, texts::kReopenShortHint, texts::kReopenHint, 26, false, &TfrmMain::FileReopenClick},
    // A gap of 10 after the reload button.
    {&TfrmMain::spbReview, IDB_REVIEW, texts::kReviewShortHint, texts::kReviewHint, 61, false, &TfrmMain::ViewReviewClick},
};

// The menus: each item with its place, command, hint and handler. A
// drop-down is named by its position in the menu bar (and its handler runs
// when it opens), a submenu by its position in the drop-down before it; a
// command by its ID in the drop-down or submenu before it.
struct TMenuEntry {
    enum TKind { DropDown, SubMenu, Command, Separator };
    rulv::ui::TMenuItem TfrmMain::*Item;
    TKind Kind;
    UINT Id;  // the position of a drop-down or submenu, the command ID of a command
    const wchar_t* Hint;
    TClick Click;
};

const TMenuEntry kMenu[] = {
    {&TfrmMain::mnuFile, TMenuEntry::DropDown, 0, nullptr, &TfrmMain::mnuFileClick},
    {&TfrmMain::FileOpen, TMenuEntry::Command, IDC_FILE_OPEN, texts::kOpenHint, &TfrmMain::FileOpenClick},
    {&TfrmMain::FileReopen, TMenuEntry::Command, IDC_FILE_REOPEN, texts::kReopenHint, &TfrmMain::FileReopenClick},
    {&TfrmMain::N1, TMenuEntry::Separator, 0, nullptr, nullptr},
    {&TfrmMain::mnuEixt, TMenuEntry::Command, IDC_FILE_EXIT, texts::kExitHint, &TfrmMain::mnuEixtClick},
    {&TfrmMain::mnuView, TMenuEntry::DropDown, 1, nullptr, &TfrmMain::mnuViewClick},
    {&TfrmMain::ViewReview, TMenuEntry::Command, IDC_VIEW_REVIEW, texts::kReviewHint, &TfrmMain::ViewReviewClick},
    {&TfrmMain::N3, TMenuEntry::Separator, 0, nullptr, nullptr},
    {&TfrmMain::ViewToolbar, TMenuEntry::Command, IDC_VIEW_TOOLBAR, texts::kToolbarHint, &TfrmMain::ViewToolbarClick},
    {&TfrmMain::ViewStatusbar, TMenuEntry::Command, IDC_VIEW_STATUSBAR, texts::kStatusbarHint, &TfrmMain::ViewStatusbarClick},
    {&TfrmMain::mnuHelp, TMenuEntry::DropDown, 2, nullptr, nullptr},
    {&TfrmMain::HelpHelp, TMenuEntry::Command, IDC_HELP_HELP, texts::kHelpHint, &TfrmMain::HelpHelpClick},
    {&TfrmMain::N2, TMenuEntry::Separator, 0, nullptr, nullptr},
    {&TfrmMain::HelpAbout, TMenuEntry::Command, IDC_HELP_ABOUT, texts::kAboutHint, &TfrmMain::HelpAboutClick},
};

// The strip's own menu, the one drop-down of its resource; the views come
// from kViews.
const TMenuEntry kStripMenu[] = {
    {&TfrmMain::mnuStrip, TMenuEntry::DropDown, 0, nullptr, &TfrmMain::mnuStripClick},
    {&TfrmMain::StripCopyColor, TMenuEntry::Command, IDC_STRIP_COPY_COLOR, texts::kCopyColorHint,
     &TfrmMain::StripCopyColorClick},
    {&TfrmMain::StripCopyPicture, TMenuEntry::Command, IDC_STRIP_COPY_PICTURE, texts::kCopyPictureHint,
     &TfrmMain::StripCopyPictureClick},
    {&TfrmMain::N4, TMenuEntry::Separator, 0, nullptr, nullptr},
    {&TfrmMain::StripFollowFile, TMenuEntry::Command, IDC_STRIP_FOLLOW_FILE, texts::kFollowFileHint,
     &TfrmMain::StripFollowFileClick},
    {&TfrmMain::N5, TMenuEntry::Separator, 0, nullptr, nullptr},
    {&TfrmMain::StripView, TMenuEntry::SubMenu, 5, nullptr, &TfrmMain::StripViewClick},
};

// The views, each with its radio item in StripView, its hint and what the
// status panel says while it is chosen.
struct TViewEntry {
    rulv::TVisionView View;
    rulv::ui::TMenuItem TfrmMain::*Item;
    UINT Id;
    const wchar_t* Hint;
    const wchar_t* Note;
};

const TViewEntry kViews[] = {
    {rulv::TVisionView::Normal, &TfrmMain::StripViewNormal, IDC_STRIP_VIEW_NORMAL, texts::kViewNormalHint, L""},
    {rulv::TVisionView::Grey, &TfrmMain::StripViewGrey, IDC_STRIP_VIEW_GREY, texts::kViewGreyHint,
     texts::kViewGreyNote},
    {rulv::TVisionView::Protan, &TfrmMain::StripViewProtan, IDC_STRIP_VIEW_PROTAN, texts::kViewProtanHint,
     texts::kViewProtanNote},
    {rulv::TVisionView::Deutan, &TfrmMain::StripViewDeutan, IDC_STRIP_VIEW_DEUTAN, texts::kViewDeutanHint,
     texts::kViewDeutanNote},
    {rulv::TVisionView::Tritan, &TfrmMain::StripViewTritan, IDC_STRIP_VIEW_TRITAN, texts::kViewTritanHint,
     texts::kViewTritanNote},
};

// Sets a flag for the life of the scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) noexcept : FFlag(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

const TViewEntry& ViewEntry(rulv::TVisionView view) noexcept {
    for (const TViewEntry& entry : kViews) {
        if (entry.View == view) return entry;
    }
    return kViews[0];
}

}  // namespace

TfrmMain::TfrmMain() {
    frmMain = this;
    dlgAbout.Caption = texts::kAboutCaption;
    dlgAbout.Title = L"RULV Viewer";
    dlgAbout.Version = RULV_VERSION_WTEXT;
    dlgAbout.Copyright = L"Wuld";
    dlgAbout.Year = L"2026";
    dlgOpen.DefaultExt = L"rulv";
    dlgOpen.Filter = texts::kOpenFilter;
}

TfrmMain::~TfrmMain() {
    // While the object is whole, so that FormDestroy runs on it.
    if (Handle()) DestroyWindow(Handle());
    if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::Create() {
    const UINT systemDpi = rulv::ui::WindowDpi(nullptr);
    RegisterWindowClass(kFormClass, 0, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)),
                        Application().IconSized(GetSystemMetricsForDpi(SM_CXICON, systemDpi)),
                        Application().IconSized(GetSystemMetricsForDpi(SM_CXSMICON, systemDpi)));
    mnuMain = LoadMenuW(Application().Instance(), MAKEINTRESOURCEW(IDM_MAIN));
    const UINT dpi = rulv::ui::WindowDpi(nullptr);
    // The window owns the menu from here on and destroys it with itself.
    CreateHandle(0, kFormClass, rulv::kApplicationName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                 CW_USEDEFAULT, Scale(kFormWidth, dpi), Scale(kFormHeight, dpi), nullptr, mnuMain);
}

// ------------------------------------------------------------ creation --

void TfrmMain::CreateComponents() {
    pbxShow.Create(Handle());
    pbxShow.OnPaint = [this](HDC dc) { pbxShowPaint(dc); };
    pbxShow.OnMouseMove = [this](WPARAM shift, int x, int y) { pbxShowMouseMove(shift, x, y); };

    pnlToolBar.Create(Handle());
    for (const TButtonEntry& entry : kButtons) {
        rulv::ui::TSpeedButton& button = this->*entry.Button;
        // A hint is "short|long": the tooltip, then the status bar's text.
        button.Create(pnlToolBar, entry.Glyph, std::wstring(entry.ShortHint) + L"|" + entry.LongHint);
        button.OnClick = [this, click = entry.Click] { (this->*click)(); };
        button.SetEnabled(entry.EnabledAtStart);
    }

    stbStatus.Create(Handle(), IDC_STATUSBAR);
    AttachMenus();
    FFollower.OnChange = [this] { FollowedFileChanged(); };
    ApplyDpi();
}

void TfrmMain::AttachMenus() {
    FStripMenu.Reset(LoadMenuW(Application().Instance(), MAKEINTRESOURCEW(IDM_STRIP)));
    const std::pair<std::span<const TMenuEntry>, HMENU> menus[] = {{kMenu, mnuMain}, {kStripMenu, FStripMenu.Get()}};
    for (const auto& [table, bar] : menus) {
        HMENU dropDown = nullptr;  // the drop-down the commands that follow belong to
        for (const TMenuEntry& entry : table) {
            rulv::ui::TMenuItem& item = this->*entry.Item;
            switch (entry.Kind) {
            case TMenuEntry::DropDown:
                item.AttachDropDown(bar, static_cast<int>(entry.Id));
                dropDown = item.DropDown();
                break;
            case TMenuEntry::SubMenu:
                item.AttachDropDown(dropDown, static_cast<int>(entry.Id));
                dropDown = item.DropDown();
                break;
            case TMenuEntry::Command:
                item.AttachCommand(dropDown, entry.Id, entry.Hint);
                break;
            case TMenuEntry::Separator:
                item.AttachSeparator();
                continue;
            }
            if (entry.Click) item.OnClick = [this, click = entry.Click] { (this->*click)(); };
            AddMenuItem(item);
        }
    }
    for (const TViewEntry& entry : kViews) {
        rulv::ui::TMenuItem& item = this->*entry.Item;
        item.AttachCommand(StripView.DropDown(), entry.Id, entry.Hint);
        item.OnClick = [this, view = entry.View] { StripViewAsClick(view); };
        AddMenuItem(item);
    }
}

// Font, panel widths and layout for the window's current DPI.
void TfrmMain::ApplyDpi() {
    const UINT dpi = rulv::ui::WindowDpi(Handle());
    LOGFONTW font{};
    font.lfHeight = -Scale(kFontHeight, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    wcscpy_s(font.lfFaceName, texts::kFontName);
    FFont.Reset(CreateFontIndirectW(&font));
    SendMessageW(stbStatus.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), TRUE);
    // The icon's own images for the title bar and the task bar at this DPI.
    ShowIcon(ICON_SMALL, Application().IconSized(GetSystemMetricsForDpi(SM_CXSMICON, dpi)));
    ShowIcon(ICON_BIG, Application().IconSized(GetSystemMetricsForDpi(SM_CXICON, dpi)));
    ShowPanels(dpi);
    Layout();
}

// The status bar's three panels. The colour readout widens while a view
// shows the simulated colour and the map's own after it.
void TfrmMain::ShowPanels(UINT dpi) {
    const int color = FView == rulv::TVisionView::Normal ? kColorPanelWidth : kViewedColorPanelWidth;
    stbStatus.SetPanels({kIndexPanelWidth, color, kHintPanelWidth},
                        {rulv::ui::TAlignment::Right, rulv::ui::TAlignment::Center, rulv::ui::TAlignment::Left},
                        dpi);
}

// Gives the window `icon` unless it shows that image already, its own or
// its class's: at the system DPI the class's images are the right ones, and
// handing them over again costs the start the work of converting them for
// the title bar and the task bar once more.
void TfrmMain::ShowIcon(WPARAM which, HICON icon) {
    auto shown = reinterpret_cast<HICON>(SendMessageW(Handle(), WM_GETICON, which, 0));
    if (!shown) {
        shown = reinterpret_cast<HICON>(GetClassLongPtrW(Handle(), which == ICON_SMALL ? GCLP_HICONSM : GCLP_HICON));
    }
    if (icon != shown) SendMessageW(Handle(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
}

void TfrmMain::Layout() {
    if (!pbxShow.Handle() || !stbStatus.Handle()) return;
    const UINT dpi = rulv::ui::WindowDpi(Handle());
    const RECT client = ClientRect();
    const int width = client.right;
    int top = 0;
    if (pnlToolBar.Visible()) {
        top = Scale(kToolBarHeight, dpi);
        MoveWindow(pnlToolBar.Handle(), 0, 0, width, top, TRUE);
        const int size = Scale(kButtonSize, dpi);
        const int buttonTop = Scale(kButtonTop, dpi);
        for (const TButtonEntry& entry : kButtons) {
            MoveWindow((this->*entry.Button).Handle(), Scale(entry.Left, dpi), buttonTop, size, size, TRUE);
        }
    }
    int bottom = client.bottom;
    if (stbStatus.Visible()) {
        const int height = Scale(kStatusBarHeight, dpi);
        bottom -= height;
        stbStatus.Place(0, bottom, width, height);
    }
    MoveWindow(pbxShow.Handle(), 0, top, width, std::max(0, bottom - top), TRUE);
}

namespace {

// The main window as the settings routines see it.
class TMainFormSettings final : public rulv::TSettingsTarget {
public:
    explicit TMainFormSettings(TfrmMain& form) noexcept : FForm(form) {}
    int OuterHeight() const override { return FForm.OuterHeight(); }
    int OuterWidth() const override { return FForm.OuterWidth(); }
    void SetOuterHeight(int height) override { FForm.SetOuterHeight(height); }
    void SetOuterWidth(int width) override { FForm.SetOuterWidth(width); }
    void ToggleToolBar() override { FForm.ToggleToolBar(); }
    void ToggleStatusBar() override { FForm.ToggleStatusBar(); }
    bool ViewToolbarChecked() const override { return FForm.ViewToolbarChecked(); }
    bool ViewStatusbarChecked() const override { return FForm.ViewStatusbarChecked(); }
    void SetFollowFile(bool follow) override { FForm.SetFollowFile(follow); }
    bool FollowFileChecked() const override { return FForm.FollowFileChecked(); }

private:
    TfrmMain& FForm;
};

}  // namespace

void TfrmMain::FormCreate() {
    TMainFormSettings settings(*this);
    if (!Application().Protect([&settings] { rulv::LoadSettings(settings); })) return;
    Application().OnHint = [this] { DisplayHint(); };
    FOpenFileName.clear();
    SetLoaded(false);
    const std::wstring argument = rulv::FirstArgument(Application().CommandLine());
    if (!argument.empty()) {
        // A failed load has told the user; start-up goes on.
        Application().Protect([&] { LoadFile(argument); });
    }
    rulv::ui::AcceptDroppedFiles(Handle(), true);
}

void TfrmMain::FormDestroy() { rulv::SaveSettings(TMainFormSettings(*this)); }

// ------------------------------------------------------------ commands --

void TfrmMain::FileOpenClick() {
    if (dlgOpen.Execute(Handle())) LoadFile(dlgOpen.FileName);
}

void TfrmMain::FileReopenClick() {
    if (HasOpenFile()) LoadFile(GetOpenFileName());
}

void TfrmMain::ViewReviewClick() { pbxShow.Invalidate(); }

void TfrmMain::mnuEixtClick() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }

void TfrmMain::mnuFileClick() { FileReopen.SetEnabled(HasOpenFile()); }

void TfrmMain::mnuViewClick() { ViewReview.SetEnabled(HasOpenFile()); }

void TfrmMain::ViewToolbarClick() { ToggleToolBar(); }

void TfrmMain::ViewStatusbarClick() { ToggleStatusBar(); }

// The hint, or what the window has to say while nothing has one.
void TfrmMain::DisplayHint() {
    const std::wstring& hint = Application().Hint();
    stbStatus.SetText(2, hint.empty() ? StatusNote() : hint);
}

void TfrmMain::ToggleToolBar() {
    const bool visible = !pnlToolBar.Visible();
    ViewToolbar.SetChecked(visible);
    pnlToolBar.SetVisible(visible);
    Layout();
}

void TfrmMain::ToggleStatusBar() {
    const bool visible = !stbStatus.Visible();
    ViewStatusbar.SetChecked(visible);
    stbStatus.SetVisible(visible);
    Layout();
}

RECT TfrmMain::OuterRect() const {
    RECT rect{};
    // A minimised window's own rectangle is its icon's; what it will come
    // back to is the normal rectangle of its placement. A maximised window
    // keeps its current size.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (IsIconic(Handle()) && GetWindowPlacement(Handle(), &placement)) return placement.rcNormalPosition;
    GetWindowRect(Handle(), &rect);
    return rect;
}

int TfrmMain::OuterHeight() const {
    const RECT rect = OuterRect();
    return rect.bottom - rect.top;
}

int TfrmMain::OuterWidth() const {
    const RECT rect = OuterRect();
    return rect.right - rect.left;
}

void TfrmMain::SetOuterHeight(int height) {
    SetWindowPos(Handle(), nullptr, 0, 0, OuterWidth(), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::SetOuterWidth(int width) {
    SetWindowPos(Handle(), nullptr, 0, 0, width, OuterHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ----------------------------------------------------------- load flow --

void TfrmMain::SetLoaded(bool loaded) {
    FLoaded = loaded;
    pbxShow.SetOpaque(loaded);
}

void TfrmMain::SetOpenFileName(const std::wstring& value) { ShowOpenFile(OpenFileTexts(value)); }

TfrmMain::TOpenFileTexts TfrmMain::OpenFileTexts(const std::wstring& fileName) {
    TOpenFileTexts texts{fileName, rulv::LoadedTitle(fileName), {}};
    // The caption as the system keeps it: at most 255 characters.
    texts.Caption = texts.Title.substr(0, 255);
    return texts;
}

void TfrmMain::ShowOpenFile(TOpenFileTexts texts) noexcept {
    FOpenFileName = std::move(texts.Name);
    Application().SetTitle(std::move(texts.Title));
    SetWindowTextW(Handle(), texts.Caption.c_str());
}

namespace {

// The loader on a file the user named: the six exchange formats by their
// extension, every other name, .rulv included, through the .rulv reader
// with the user's decimal separator. A device or a pipe is refused in the
// viewer's words.
rulv::ColorMapResult ReadColorMapFile(const std::filesystem::path& path, rulv::TPaletteArray& colors) {
    try {
        if (const std::optional<rulv::TMapFormat> exchange = rulv::ExchangeFormatOfPath(path)) {
            return rulv::LoadExchangeFile(path, *exchange, colors);
        }
        return rulv::LoadColorMapFile(path, colors, rulv::UserDecimalSeparator());
    } catch (const rulv::ENotADiskFile& error) {
        throw rulv::EInOutError(error.ErrorCode(), texts::kNotADiskFile);
    }
}

}  // namespace

void TfrmMain::LoadFile(const std::wstring& fileName) {
    pbxShow.Invalidate();
    const std::filesystem::path path(fileName);
    if (!rulv::FileExists(path)) {
        ReportLoadFault(texts::kFileNotFound);
        // A followed file that is gone leaves its map on screen.
        if (!FLoadingQuietly) SetLoaded(false);
        // The box's modal loop may have repainted the old strip already.
        pbxShow.Invalidate();
        throw rulv::EAbort();
    }
    // Everything that showing the new map takes is made before it is read:
    // once the loader has put its colours into FColors, nothing may fail
    // for want of memory and leave them under the old title.
    TOpenFileTexts shown = OpenFileTexts(fileName);
    const rulv::ColorMapResult result = ReadColorMapFile(path, FColors);
    if (result != rulv::kColorMapLoaded) {
        if (result > 0) ReportLoadFault(std::to_wstring(result) + texts::kFaultyLineSuffix);
        else if (result == rulv::kColorMapNoColors) ReportLoadFault(texts::kNoColors);
        throw rulv::EAbort();
    }
    SetLoaded(true);
    CreateDisplayPalette(static_cast<std::int32_t>(FColors.size()));
    ShowOpenFile(std::move(shown));
    spbReopen.SetEnabled(true);
    spbReview.SetEnabled(true);
    pbxShow.Invalidate();
    FileShown();
}

// A fault of the load flow: a box and the silent abort for a command; the
// status panel for a followed file read again, which must not throw boxes
// at somebody in the middle of an edit.
void TfrmMain::ReportLoadFault(const std::wstring& text) {
    if (FLoadingQuietly) SetNote(LoadNote, text);
    else Application().ShowPlainMessage(text);
}

// After each good load: no fault to tell of any more, and the file is
// followed if following is on.
void TfrmMain::FileShown() {
    SetNote(LoadNote, {});
    FollowOpenFile();
}

void TfrmMain::WMDropFiles(HDROP drop) {
    std::wstring name;
    {
        const rulv::ui::TDropHandle handle(drop);
        if (rulv::ui::DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
            // The whole name, however long.
            const UINT length = rulv::ui::DragQueryFile(drop, 0, nullptr, 0);
            std::vector<wchar_t> buffer(length + 1, L'\0');
            rulv::ui::DragQueryFile(drop, 0, buffer.data(), length + 1);
            name = buffer.data();
        }
    }
    if (!name.empty()) LoadFile(name);
}

// ----------------------------------------------------------- the strip --

void TfrmMain::pbxShowPaint(HDC dc) {
    if (!FLoaded) return;
    const rulv::ui::TPaletteSelectGuard palette(dc, FPaletteHandle.Get(), false);
    if (FPaletteHandle) RealizePalette(dc);
    // With the palette selected, PaintStrip keeps to pen lines.
    rulv::PaintStrip(dc, FColors, pbxShow.Width(), pbxShow.Height(), FView);
}

void TfrmMain::pbxShowMouseMove(WPARAM, int x, int) {
    if (!FLoaded || FColors.empty()) return;
    const auto count = static_cast<std::int64_t>(FColors.size());
    const rulv::TColumnMapping mapping(pbxShow.Width(), static_cast<std::int32_t>(count));
    const std::int64_t index = mapping.IndexOf(x);
    if (index < 0 || index > count - 1) return;
    FReadoutColor = FColors[static_cast<size_t>(index)];
    stbStatus.SetText(0, rulv::IndexReadout(index, count));
    stbStatus.SetText(1, rulv::ViewedColorReadout(*FReadoutColor, FView));
}

void TfrmMain::CreateDisplayPalette(std::int32_t count) {
    {
        const rulv::ui::TWindowDC dc(pbxShow.Handle());
        if (SystemPaletteSize(dc.Get()) != 256) return;
    }
    // Our record is a LOGPALETTE with room for all 256 entries.
    static_assert(offsetof(rulv::TDisplayPaletteRecord, Entries) == offsetof(LOGPALETTE, palPalEntry));
    static_assert(sizeof(rulv::TPaletteEntry) == sizeof(PALETTEENTRY));
    static_assert(offsetof(rulv::TPaletteEntry, Flags) == offsetof(PALETTEENTRY, peFlags));
    static_assert(rulv::kPaletteNoCollapse == PC_NOCOLLAPSE);
    const rulv::TDisplayPaletteRecord record = rulv::BuildDisplayPalette(FColors, count);
    // A failed creation leaves none.
    FPaletteHandle.Reset(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
}

// ------------------------------------------------------ the strip's menu --

// Opens the strip's menu where the right button was released, or, from the
// keyboard, at the pointer while it rests on the strip and otherwise at the
// strip's top-left corner. Copy colour takes the entry under the pointer;
// with the pointer elsewhere, there is none.
void TfrmMain::pbxShowContextMenu(POINT screen, bool fromKeyboard) {
    if (fromKeyboard) GetCursorPos(&screen);
    const bool onStrip = !fromKeyboard || WindowFromPoint(screen) == pbxShow.Handle();
    FCopyColor = onStrip ? ColorUnderPointer(screen) : std::nullopt;
    if (!onStrip) {
        screen = {0, 0};
        ClientToScreen(pbxShow.Handle(), &screen);
    }
    FStripMenuOpen = true;
    TrackPopupMenu(mnuStrip.DropDown(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                   Handle(), nullptr);
    FStripMenuOpen = false;
}

// The colour painted at a point of the screen (as the view shows it), when
// the point lies on the strip of a shown map.
std::optional<rulv::TPackedColor> TfrmMain::ColorUnderPointer(POINT screen) const {
    if (!FLoaded || FColors.empty()) return std::nullopt;
    POINT point = screen;
    ScreenToClient(pbxShow.Handle(), &point);
    if (point.x < 0 || point.y < 0 || point.x >= pbxShow.Width() || point.y >= pbxShow.Height()) return std::nullopt;
    const auto count = static_cast<std::int64_t>(FColors.size());
    const rulv::TColumnMapping mapping(pbxShow.Width(), static_cast<std::int32_t>(count));
    const std::int64_t index = mapping.IndexOf(point.x);
    if (index < 0 || index > count - 1) return std::nullopt;
    return rulv::SimulateView(FColors[static_cast<std::size_t>(index)], FView);
}

// Runs when the strip's menu opens, and before its shortcut (Ctrl+C) acts:
// the shortcut copies the colour under the pointer while it rests on the
// strip, and nothing elsewhere.
void TfrmMain::mnuStripClick() {
    if (!FStripMenuOpen) {
        POINT cursor{};
        GetCursorPos(&cursor);
        FCopyColor = WindowFromPoint(cursor) == pbxShow.Handle() ? ColorUnderPointer(cursor) : std::nullopt;
    }
    StripCopyColor.SetEnabled(FCopyColor.has_value());
    StripCopyPicture.SetEnabled(FLoaded && pbxShow.Width() > 0 && pbxShow.Height() > 0);
}

void TfrmMain::StripViewClick() {
    for (const TViewEntry& entry : kViews) (this->*entry.Item).SetRadioChecked(entry.View == FView);
}

void TfrmMain::StripCopyColorClick() {
    if (FCopyColor) ShowCopyResult(rulv::ui::CopyTextToClipboard(Handle(), rulv::HexColorReadout(*FCopyColor)));
}

// The strip as it is painted now, at the paint box's size.
void TfrmMain::StripCopyPictureClick() {
    if (!FLoaded) return;
    const std::vector<std::byte> bitmap = rulv::StripBitmap(FColors, pbxShow.Width(), pbxShow.Height(), FView);
    if (!bitmap.empty()) ShowCopyResult(rulv::ui::CopyToClipboard(Handle(), CF_DIB, bitmap));
}

void TfrmMain::ShowCopyResult(rulv::ui::TClipboardResult result) {
    switch (result) {
    case rulv::ui::TClipboardResult::Copied:
        SetNote(CopyNote, {});
        break;
    case rulv::ui::TClipboardResult::Busy:
        SetNote(CopyNote, texts::kClipboardBusy);
        break;
    case rulv::ui::TClipboardResult::Failed:
        SetNote(CopyNote, texts::kClipboardFailed);
        break;
    }
}

// The strip, the colour readout and the status panel in the new view.
void TfrmMain::StripViewAsClick(rulv::TVisionView view) {
    FView = view;
    ShowPanels(rulv::ui::WindowDpi(Handle()));
    if (FReadoutColor) stbStatus.SetText(1, rulv::ViewedColorReadout(*FReadoutColor, FView));
    DisplayHint();
    pbxShow.Invalidate();
}

void TfrmMain::SetNote(TNote kind, std::wstring text) {
    FNotes[kind] = std::move(text);
    DisplayHint();
}

// The notes that are set, then the view's name, a full-width blank apart.
std::wstring TfrmMain::StatusNote() const {
    std::wstring note;
    auto add = [&note](const std::wstring_view part) {
        if (part.empty()) return;
        if (!note.empty()) note += L'\u3000';
        note += part;
    };
    for (const std::wstring& part : FNotes) add(part);
    add(ViewEntry(FView).Note);
    return note;
}

// ------------------------------------------------------- following a file --

void TfrmMain::StripFollowFileClick() { SetFollowFile(!FollowFileChecked()); }

void TfrmMain::SetFollowFile(bool follow) {
    StripFollowFile.SetChecked(follow);
    if (follow) FollowOpenFile();
    else StopFollowing();
}

// Follows the file last loaded while following is on, unless it is followed
// already (its watch goes on across reads of it, so that no change between
// two reads is missed).
void TfrmMain::FollowOpenFile() {
    if (!FollowFileChecked() || !HasOpenFile()) return;
    if (FFollower.Following() && FFollower.Follows(GetOpenFileName())) return;
    StopFollowing();
    if (!FFollower.Follow(GetOpenFileName())) SetNote(WatchNote, texts::kFolderNotWatched);
}

void TfrmMain::StopFollowing() {
    FFollower.Stop();
    KillTimer(Handle(), kFollowTimer);
    FFollowPacer.Cancel();
    FFollowPostponed = false;
    SetNote(WatchNote, {});
}

void TfrmMain::FollowedFileChanged() {
    FFollowRetries = 0;
    ScheduleFollowedRead();
}

void TfrmMain::ScheduleFollowedRead() {
    if (const auto delay = FFollowPacer.Changed(static_cast<std::int64_t>(GetTickCount64()))) {
        SetTimer(Handle(), kFollowTimer, static_cast<UINT>(*delay), nullptr);
    }
}

// The followed file's read is due. While a box or a dialog is open (the
// window is disabled) it waits for it to close: a read then would change
// the map under a message about it.
void TfrmMain::FollowTimer() {
    KillTimer(Handle(), kFollowTimer);
    if (!FFollowPacer.Due()) return;
    if (!IsWindowEnabled(Handle())) {
        FFollowPostponed = true;
        return;
    }
    FFollowPacer.Read(static_cast<std::int64_t>(GetTickCount64()));
    ReadFollowedFile();
}

// The load flow on the followed file (under its folder's new name after a
// rename), telling of a fault in the status panel: the map before stays.
void TfrmMain::ReadFollowedFile() {
    if (FFollower.FileName().empty()) return;
    ++FFollowedReads;
    const TFlagScope quietly(FLoadingQuietly);
    try {
        LoadFile(FFollower.FileName());
    } catch (const rulv::EAbort&) {
        // LoadFile has told of the fault.
    } catch (const rulv::EInOutError& error) {
        // Most likely the writer still holds the file: it is tried again.
        SetNote(LoadNote, rulv::ui::ReportText(rulv::Utf8ToWide(error.what())));
        if (++FFollowRetries <= kFollowRetries) ScheduleFollowedRead();
    } catch (const std::exception& error) {
        SetNote(LoadNote, rulv::ui::ReportText(rulv::Utf8ToWide(error.what())));
    }
}

// ------------------------------------------------------------ messages --

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        Application().SetMainForm(Handle(), LoadAcceleratorsW(Application().Instance(), MAKEINTRESOURCEW(IDA_MAIN)));
        CreateComponents();
        FormCreate();
        return 0;
    case WM_DESTROY: {
        const bool mainForm = Application().MainFormHandle() == Handle();
        Application().Protect([this] { FormDestroy(); });
        FFollower.Stop();
        Application().OnHint = nullptr;
        if (mainForm) {
            Application().SetMainForm(nullptr, nullptr);
            PostQuitMessage(0);
        }
        return 0;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi();
        return 0;
    }
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CONTEXTMENU: {
        // From the strip (its right button), or from the keyboard (-1, -1)
        // while the window is active; anything else is the system's.
        const bool fromKeyboard = GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1;
        if (!fromKeyboard && reinterpret_cast<HWND>(wParam) != pbxShow.Handle()) break;
        pbxShowContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, fromKeyboard);
        return 0;
    }
    case WM_TIMER:
        if (wParam != kFollowTimer) break;
        FollowTimer();
        return 0;
    case WM_ENABLE:
        // A box or dialog closed: the read it held back comes now.
        if (wParam && FFollowPostponed) {
            FFollowPostponed = false;
            SetTimer(Handle(), kFollowTimer, static_cast<UINT>(rulv::TFollowPacer::kSettle), nullptr);
        }
        break;
    default:
        break;
    }
    return TForm::HandleMessage(message, wParam, lParam);
}
