// MessageBoxWatcher.h - reads and closes the message boxes and dialog boxes
// (#32770) of this process from a second thread, while the thread that shows
// one sits in the box's modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rulv::test {

// One control of a box, read while the box was up.
struct TBoxControl {
    HWND Window = nullptr;
    std::wstring ClassName;
    std::wstring Text;
    LONG_PTR Style = 0;
    int Id = 0;
    RECT Rect{};  // in the box's client coordinates
    bool Visible = false;
    HICON Icon = nullptr;  // what a static icon control shows
};

// A box as it was on screen.
struct TBoxSnapshot {
    HWND Window = nullptr;
    std::wstring Caption;
    LONG_PTR Style = 0;
    RECT WindowRect{};  // on the screen
    RECT ClientRect{};
    std::vector<TBoxControl> Controls;
    HWND Focus = nullptr;
    bool MainWindowVisible = false;  // a viewer window (TfrmMain) of this process was on screen

    const TBoxControl* FindById(int id) const;
    // The controls of a window class (compared without case), shown or not.
    std::vector<const TBoxControl*> OfClass(const std::wstring& className) const;
    // The message: the text of the box's text control (id 0xFFFF).
    std::wstring Text() const;
    // A visible static control shows an icon.
    bool HasIcon() const;
    // The visible buttons: how many, and the text of the first.
    int Buttons() const;
    std::wstring FirstButton() const;
};

// Reads a box's frame, caption and controls (from any thread).
TBoxSnapshot Snapshot(HWND box);

// Presses `key` in the box: a key-down and key-up posted to the control
// with the focus, as the keyboard would.
void PressKey(HWND box, WPARAM key);
// Clicks the title bar's close button (SC_CLOSE).
void CloseFromTitleBar(HWND box);
// Clicks the box's OK button.
void ClickOk(HWND box);

// Watches for the visible boxes of this process while it lives. Each new
// box is read (Boxes) and then handed to the action, in the watcher's
// thread; the action must close it.
class TMessageBoxWatcher {
public:
    using TAction = std::function<void(HWND box)>;
    // Every box closed with OK.
    TMessageBoxWatcher();
    explicit TMessageBoxWatcher(TAction onBox);
    ~TMessageBoxWatcher();
    TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
    TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;

    // The boxes seen so far, as they were when they came up.
    std::vector<TBoxSnapshot> Boxes() const;
    size_t Count() const;

private:
    void Run();

    TAction FOnBox;
    mutable std::mutex FLock;
    std::vector<TBoxSnapshot> FBoxes;
    std::vector<HWND> FHandled;
    std::atomic<bool> FStop{false};
    std::thread FThread;  // last: it starts once the rest is set up
};

}  // namespace rulv::test
