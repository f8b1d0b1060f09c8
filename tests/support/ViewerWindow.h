// ViewerWindow.h - the real viewer window in a test program: started as the
// program entry starts it, driven by real messages, and what it shows
// (pixels, status panels), with maps to show in it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "colormap/ColorMap.h"

namespace rulv::test {

// Once per test program: the application object as the program entry sets
// it up (module, icon, title "RULV Viewer"). Safe to call again.
void StartApplication();

// The viewer's registry key removed, so that a window starts with the
// layout defaults.
void ClearSettings();

// The real TfrmMain, created as the program entry creates it (with
// `commandLine` as the process's command line), shown and painted; destroyed
// again at the end of the scope, with WM_QUIT taken off the queue.
class TViewerWindow {
public:
    explicit TViewerWindow(const std::wstring& commandLine = L"RulvView.exe", bool clearSettings = true);
    ~TViewerWindow();
    TViewerWindow(const TViewerWindow&) = delete;
    TViewerWindow& operator=(const TViewerWindow&) = delete;

    TfrmMain& Form() noexcept { return *FForm; }
    TfrmMain* operator->() noexcept { return FForm.get(); }
    HWND Handle() const noexcept { return FForm->Handle(); }

    // Real messages to the window, processed before returning.
    void Command(UINT command);
    // A shortcut: Ctrl down in the thread's key state, WM_KEYDOWN through
    // the message loop's accelerator translation.
    void Shortcut(WORD key);
    // A WM_DROPFILES with a real DROPFILES block naming `files`.
    void Drop(const std::vector<std::wstring>& files);
    // A pointer move over the paint box at x (and y 1).
    void MoveOverPaintBox(int x);
    // The paint box resized to `width` by `height` and fully repainted.
    void ResizePaintBox(int width, int height);
    // Every update of the paint box painted.
    void Repaint();

private:
    std::unique_ptr<TfrmMain> FForm;
};

// Posts `window` a WM_DROPFILES with a real DROPFILES block naming `files`,
// as the shell does; it is handled when messages are next processed.
void PostDrop(HWND window, const std::vector<std::wstring>& files);

// The colour of a pixel of `window` as the screen shows it.
COLORREF PixelOf(HWND window, int x, int y);

// The status bar's own text of a panel (alignment tabs included).
std::wstring PanelText(TfrmMain& form, int panel);

// A colour-map file's text listing `colors`, one hex line each.
std::string MapText(const TPaletteArray& colors);
// n colours, each one different from its neighbours.
TPaletteArray DistinctColors(int count);

}  // namespace rulv::test
