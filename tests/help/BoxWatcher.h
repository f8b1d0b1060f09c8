// BoxWatcher.h - reads and closes the modal boxes of the thread under test
// from a second thread, while that thread sits in the box's modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rulv::test {

// What a box showed, read while it was up.
struct TBoxControl {
    HWND window = nullptr;
    std::wstring className;
    std::wstring text;
    LONG_PTR style = 0;
    int id = 0;
    RECT rect{};  // in the box's client coordinates
};

struct TBoxSnapshot {
    HWND window = nullptr;
    std::wstring caption;
    LONG_PTR style = 0;
    RECT windowRect{};
    RECT clientRect{};
    std::vector<TBoxControl> controls;
    HWND focus = nullptr;
    long beepsBefore = 0;  // beeps heard before the box appeared

    const TBoxControl* FindById(int id) const;
    std::vector<const TBoxControl*> OfClass(const std::wstring& className) const;
};

// Watches for visible dialog boxes (#32770) of `guiThread`; for each new one
// runs `onBox` in the watcher thread (which may inspect and must close it).
class TBoxWatcher {
public:
    using TAction = std::function<void(HWND box)>;
    TBoxWatcher(DWORD guiThread, TAction onBox);
    ~TBoxWatcher();
    TBoxWatcher(const TBoxWatcher&) = delete;
    TBoxWatcher& operator=(const TBoxWatcher&) = delete;

    int BoxesSeen() const noexcept { return FSeen; }

private:
    void Run();

    DWORD FGuiThread;
    TAction FOnBox;
    std::atomic<bool> FStop{false};
    std::atomic<int> FSeen{0};
    std::vector<HWND> FHandled;
    std::thread FThread;
};

// Reads a box's caption, frame and controls (from any thread).
TBoxSnapshot Snapshot(HWND box);
std::wstring WindowText(HWND window);

// Presses Enter in the box: a key-down and key-up posted to the control
// with the focus, as the keyboard would.
void PressKey(HWND box, WPARAM key);
// Clicks the title bar's close button (SC_CLOSE).
void CloseFromTitleBar(HWND box);

// Waits until `condition` holds or `timeout` passes; the result of the last
// test of the condition.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace rulv::test
