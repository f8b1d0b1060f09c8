// Main.h - TfrmMain, the viewer's one window: menu, toolbar, status bar and
// the paint box that shows the colour strip with its own menu, and the load
// flow every way of opening a file goes through (following the file on disk
// included).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "about/AboutDialog.h"
#include "app/FileFollower.h"
#include "app/MainRules.h"
#include "colormap/ColorMap.h"
#include "colormap/ColorScience.h"
#include "ui/Clipboard.h"
#include "ui/Controls.h"
#include "ui/OpenDialog.h"
#include "ui/Handles.h"
#include "ui/Menus.h"

class TfrmMain : public rulv::ui::TForm {
public:
    // Makes this the program's frmMain; Create makes the window.
    TfrmMain();
    // Destroys the window (FormDestroy runs) if it is still there.
    ~TfrmMain() override;

    // Creates the window, hidden; FormCreate runs as part of it.
    void Create();

    // Components, owned by the window.
    rulv::ui::TPaintBox pbxShow;
    HMENU mnuMain = nullptr;
    rulv::ui::TPanel pnlToolBar;
    rulv::ui::TSpeedButton spbOpen;
    rulv::TAboutDialog dlgAbout;
    rulv::ui::TOpenDialog dlgOpen;
    rulv::ui::TMenuItem mnuFile;
    rulv::ui::TMenuItem FileOpen;
    rulv::ui::TMenuItem N1;
    rulv::ui::TMenuItem mnuEixt;
    rulv::ui::TMenuItem mnuHelp;
    rulv::ui::TMenuItem HelpAbout;
    rulv::ui::TMenuItem mnuView;
    rulv::ui::TMenuItem ViewReview;
    rulv::ui::TStatusBar stbStatus;
    rulv::ui::TSpeedButton spbReopen;
    rulv::ui::TSpeedButton spbReview;
    rulv::ui::TMenuItem FileReopen;
    rulv::ui::TMenuItem N2;
    rulv::ui::TMenuItem HelpHelp;
    rulv::ui::TMenuItem N3;
    rulv::ui::TMenuItem ViewToolbar;
    rulv::ui::TMenuItem ViewStatusbar;
    // The strip's own menu (right-click, the context-menu key, Shift+F10).
    rulv::ui::TMenuItem mnuStrip;
    rulv::ui::TMenuItem StripCopyColor;
    rulv::ui::TMenuItem StripCopyPicture;
    rulv::ui::TMenuItem N4;
    rulv::ui::TMenuItem StripFollowFile;
    rulv::ui::TMenuItem N5;
    rulv::ui::TMenuItem StripView;
    rulv::ui::TMenuItem StripViewNormal;
    rulv::ui::TMenuItem StripViewGrey;
    rulv::ui::TMenuItem StripViewProtan;
    rulv::ui::TMenuItem StripViewDeutan;
    rulv::ui::TMenuItem StripViewTritan;

    // Event handlers.
    void FormCreate();
    void FormDestroy();
    void FileOpenClick();
    void FileReopenClick();
    void ViewReviewClick();
    void mnuEixtClick();
    void mnuFileClick();
    void mnuViewClick();
    void ViewToolbarClick();
    void ViewStatusbarClick();
    void HelpHelpClick();   // MainHelp.cpp
    void HelpAboutClick();  // MainHelp.cpp
    void DisplayHint();
    void pbxShowPaint(HDC dc);
    void pbxShowMouseMove(WPARAM shift, int x, int y);
    void pbxShowContextMenu(POINT screen, bool fromKeyboard);
    void mnuStripClick();
    void StripViewClick();
    void StripCopyColorClick();
    void StripCopyPictureClick();
    void StripFollowFileClick();
    void StripViewAsClick(rulv::TVisionView view);

    // The document.
    void SetOpenFileName(const std::wstring& value);
    // The name, the application title and the caption that SetOpenFileName
    // shows, made in full before any of them is set.
    struct TOpenFileTexts {
        std::wstring Name;
        std::wstring Title;
        std::wstring Caption;
    };
    static TOpenFileTexts OpenFileTexts(const std::wstring& fileName);
    void ShowOpenFile(TOpenFileTexts texts) noexcept;
    const std::wstring& GetOpenFileName() const noexcept { return FOpenFileName; }
    bool HasOpenFile() const noexcept { return !GetOpenFileName().empty(); }
    // The load flow: a message and the silent abort for a missing or faulty
    // file; the loader's own errors pass out.
    void LoadFile(const std::wstring& fileName);
    void CreateDisplayPalette(std::int32_t count);
    void WMDropFiles(HDROP drop);
    bool Loaded() const noexcept { return FLoaded; }
    const rulv::TPaletteArray& Colors() const noexcept { return FColors; }
    HPALETTE PaletteHandle() const noexcept { return FPaletteHandle.Get(); }

    // Bars and their menu items.
    void ToggleToolBar();
    void ToggleStatusBar();
    bool ViewToolbarChecked() const { return ViewToolbar.Checked(); }
    bool ViewStatusbarChecked() const { return ViewStatusbar.Checked(); }

    // How the strip is shown: as it is, or as a view simulates it.
    rulv::TVisionView View() const noexcept { return FView; }
    // Following the shown file: its check item, and the file read again
    // whenever it changes on disk.
    void SetFollowFile(bool follow);
    bool FollowFileChecked() const { return StripFollowFile.Checked(); }
    // How often the followed file was read again (tests count them).
    int FollowedReads() const noexcept { return FFollowedReads; }

    // Outer window size in pixels, applied unchanged; while the window is
    // minimised, the size it is restored to.
    int OuterHeight() const;
    int OuterWidth() const;
    void SetOuterHeight(int height);
    void SetOuterWidth(int width);

    // The display's system palette size; GetDeviceCaps(SIZEPALETTE) unless a
    // test stands in for a display with a 256-entry palette.
    using TSystemPaletteSize = int (*)(HDC dc);
    static TSystemPaletteSize SystemPaletteSize;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // What the third status panel says while nothing has a hint, one part
    // of each kind, in this order; the view's name comes after them.
    enum TNote { CopyNote, LoadNote, WatchNote, NoteKinds };

    void CreateComponents();
    void AttachMenus();
    void ShowPanels(UINT dpi);
    void ApplyDpi();
    void ShowIcon(WPARAM which, HICON icon);
    void Layout();
    void SetLoaded(bool loaded);
    RECT OuterRect() const;
    void ReportLoadFault(const std::wstring& text);
    void FileShown();
    std::optional<rulv::TPackedColor> ColorUnderPointer(POINT screen) const;
    void ShowCopyResult(rulv::ui::TClipboardResult result);
    void SetNote(TNote kind, std::wstring text);
    std::wstring StatusNote() const;
    void FollowOpenFile();
    void StopFollowing();
    void FollowedFileChanged();
    void ScheduleFollowedRead();
    void FollowTimer();
    void ReadFollowedFile();

    std::wstring FOpenFileName;
    rulv::TPaletteArray FColors;
    rulv::ui::TPaletteHandle FPaletteHandle;
    bool FLoaded = false;
    rulv::ui::TFontHandle FFont;

    rulv::ui::TMenuHandle FStripMenu;  // the resource that holds mnuStrip
    rulv::TVisionView FView = rulv::TVisionView::Normal;
    std::optional<rulv::TPackedColor> FReadoutColor;  // the colour the readout shows, as in the map
    std::optional<rulv::TPackedColor> FCopyColor;     // what StripCopyColor copies
    bool FStripMenuOpen = false;
    std::wstring FNotes[NoteKinds];
    // Following: the folder's watch, the pace of the reads, a read waiting
    // for a box or dialog to close, tries left after a read error, and
    // whether LoadFile tells of a fault in the status panel, not in a box.
    rulv::TFileFollower FFollower;
    rulv::TFollowPacer FFollowPacer;
    bool FFollowPostponed = false;
    int FFollowRetries = 0;
    int FFollowedReads = 0;
    bool FLoadingQuietly = false;
};

// The program's main window; set before its FormCreate runs.
extern TfrmMain* frmMain;
