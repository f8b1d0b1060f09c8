// GuiTestSupport.h - starting the real viewer window in a test program and
// watching what it shows: message boxes (read and closed from a second
// thread), pixels, and conditions reached by processing real messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Main.h"
#include "colormap/ColorMap.h"

namespace rulv::test {

// Once per test program: the application object as the program entry sets
// it up (module, icon, title "RULV Viewer"). Safe to call again.
void StartApplication();

// Processes every message waiting for this thread (sent, posted, paint).
void ProcessMessages();
// Processes messages until `condition` holds; false after `timeoutMs`.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

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

// The colour of a pixel of `window` as the screen shows it.
COLORREF PixelOf(HWND window, int x, int y);

// One message box as a watcher thread saw it.
struct TMessageBoxRecord {
    std::wstring Caption;
    std::wstring Text;
    bool HasIcon = false;
    int Buttons = 0;
    std::wstring FirstButton;
    RECT Rect{};
    bool MainWindowVisible = false;  // a viewer window was on screen then
};

// Reads and closes (with OK) every message box of this process while it
// lives.
class TMessageBoxWatcher {
public:
    TMessageBoxWatcher();
    ~TMessageBoxWatcher();
    TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
    TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;

    std::vector<TMessageBoxRecord> Boxes() const;
    size_t Count() const;

private:
    void Run();
    void Handle(HWND box);

    mutable std::mutex FLock;
    std::vector<TMessageBoxRecord> FBoxes;
    std::vector<HWND> FHandled;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// A folder of its own under the temporary folder, removed at the end.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const noexcept { return FPath; }
    // Writes `content` as the file `name` (folders created); its full name.
    std::wstring Write(const std::wstring& name, const std::string& content) const;

private:
    std::filesystem::path FPath;
};

// A colour-map file's text listing `colors`, one hex line each.
std::string MapText(const TPaletteArray& colors);
// n colours, each one different from its neighbours.
TPaletteArray DistinctColors(int count);

}  // namespace rulv::test
