// BoxWatcher.cpp - the watcher thread and the box readers.
#include "BoxWatcher.h"

#include <algorithm>

namespace rulv::test {

const TBoxControl* TBoxSnapshot::FindById(int id) const {
    for (const TBoxControl& control : controls)
        if (control.id == id) return &control;
    return nullptr;
}

std::vector<const TBoxControl*> TBoxSnapshot::OfClass(const std::wstring& className) const {
    std::vector<const TBoxControl*> found;
    for (const TBoxControl& control : controls)
        if (_wcsicmp(control.className.c_str(), className.c_str()) == 0)
            found.push_back(&control);
    return found;
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[4096];
    // WM_GETTEXT is sent to the owning thread, which answers from its loop.
    const LRESULT length = SendMessageW(window, WM_GETTEXT, std::size(buffer),
                                        reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<size_t>(length));
}

namespace {

std::wstring ClassName(HWND window) {
    wchar_t buffer[256];
    const int length = GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<size_t>(std::max(length, 0)));
}

}  // namespace

TBoxSnapshot Snapshot(HWND box) {
    TBoxSnapshot snapshot;
    snapshot.window = box;
    snapshot.caption = WindowText(box);
    snapshot.style = GetWindowLongPtrW(box, GWL_STYLE);
    GetWindowRect(box, &snapshot.windowRect);
    GetClientRect(box, &snapshot.clientRect);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        TBoxControl control;
        control.window = child;
        control.className = ClassName(child);
        control.text = WindowText(child);
        control.style = GetWindowLongPtrW(child, GWL_STYLE);
        control.id = GetDlgCtrlID(child);
        GetWindowRect(child, &control.rect);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&control.rect), 2);
        snapshot.controls.push_back(control);
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info))
        snapshot.focus = info.hwndFocus;
    return snapshot;
}

void PressKey(HWND box, WPARAM key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = box;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) && info.hwndFocus)
        target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void CloseFromTitleBar(HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

TBoxWatcher::TBoxWatcher(DWORD guiThread, TAction onBox)
    : FGuiThread(guiThread), FOnBox(std::move(onBox)), FThread([this] { Run(); }) {}

TBoxWatcher::~TBoxWatcher() {
    FStop = true;
    FThread.join();
}

void TBoxWatcher::Run() {
    while (!FStop) {
        // A destroyed box's handle may come back for a later one.
        std::erase_if(FHandled, [](HWND window) { return !IsWindow(window); });
        HWND found = nullptr;
        struct Search {
            TBoxWatcher* self;
            HWND* found;
        } search{this, &found};
        EnumThreadWindows(
            FGuiThread,
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                if (!IsWindowVisible(window) || ClassName(window) != L"#32770") return TRUE;
                if (std::find(s.self->FHandled.begin(), s.self->FHandled.end(), window) !=
                    s.self->FHandled.end())
                    return TRUE;
                *s.found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (found) {
            FHandled.push_back(found);
            ++FSeen;
            FOnBox(found);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

}  // namespace rulv::test
