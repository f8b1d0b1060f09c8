// MessageBoxWatcher.cpp - the watcher thread and the box readers.
#include "tests/support/MessageBoxWatcher.h"

#include <algorithm>
#include <chrono>

#include "tests/support/MainWindow.h"
#include "tests/support/WindowText.h"

namespace rulv::test {

namespace {

bool IsClass(const std::wstring& name, const wchar_t* className) { return _wcsicmp(name.c_str(), className) == 0; }

// The visible dialog boxes of this process, of every thread.
std::vector<HWND> VisibleBoxes() {
    std::vector<HWND> boxes;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window) && WindowClass(window) == L"#32770") {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

}  // namespace

// ------------------------------------------------------------ TBoxSnapshot --

const TBoxControl* TBoxSnapshot::FindById(int id) const {
    for (const TBoxControl& control : Controls)
        if (control.Id == id) return &control;
    return nullptr;
}

std::vector<const TBoxControl*> TBoxSnapshot::OfClass(const std::wstring& className) const {
    std::vector<const TBoxControl*> found;
    for (const TBoxControl& control : Controls)
        if (IsClass(control.ClassName, className.c_str())) found.push_back(&control);
    return found;
}

std::wstring TBoxSnapshot::Text() const {
    const TBoxControl* text = FindById(0xFFFF);
    return text ? text->Text : std::wstring();
}

bool TBoxSnapshot::HasIcon() const {
    return std::any_of(Controls.begin(), Controls.end(),
                       [](const TBoxControl& control) { return control.Visible && control.Icon; });
}

int TBoxSnapshot::Buttons() const {
    return static_cast<int>(std::count_if(Controls.begin(), Controls.end(), [](const TBoxControl& control) {
        return control.Visible && IsClass(control.ClassName, L"Button");
    }));
}

std::wstring TBoxSnapshot::FirstButton() const {
    for (const TBoxControl& control : Controls)
        if (control.Visible && IsClass(control.ClassName, L"Button")) return control.Text;
    return std::wstring();
}

TBoxSnapshot Snapshot(HWND box) {
    TBoxSnapshot snapshot;
    snapshot.Window = box;
    snapshot.Caption = WindowText(box);
    snapshot.Style = GetWindowLongPtrW(box, GWL_STYLE);
    GetWindowRect(box, &snapshot.WindowRect);
    GetClientRect(box, &snapshot.ClientRect);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        TBoxControl control;
        control.Window = child;
        control.ClassName = WindowClass(child);
        control.Text = WindowText(child);
        control.Style = GetWindowLongPtrW(child, GWL_STYLE);
        control.Id = GetDlgCtrlID(child);
        GetWindowRect(child, &control.Rect);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&control.Rect), 2);
        control.Visible = IsWindowVisible(child) != FALSE;
        if (IsClass(control.ClassName, L"Static") && (control.Style & SS_TYPEMASK) == SS_ICON)
            control.Icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        snapshot.Controls.push_back(control);
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info)) snapshot.Focus = info.hwndFocus;
    snapshot.MainWindowVisible = FindMainWindow(GetCurrentProcessId(), L"TfrmMain") != nullptr;
    return snapshot;
}

void PressKey(HWND box, WPARAM key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = box;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void CloseFromTitleBar(HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }

void ClickOk(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// ------------------------------------------------------ TMessageBoxWatcher --

TMessageBoxWatcher::TMessageBoxWatcher() : TMessageBoxWatcher(&ClickOk) {}

TMessageBoxWatcher::TMessageBoxWatcher(TAction onBox) : FOnBox(std::move(onBox)), FThread([this] { Run(); }) {}

TMessageBoxWatcher::~TMessageBoxWatcher() {
    FStop = true;
    FThread.join();
}

std::vector<TBoxSnapshot> TMessageBoxWatcher::Boxes() const {
    const std::lock_guard lock(FLock);
    return FBoxes;
}

size_t TMessageBoxWatcher::Count() const {
    const std::lock_guard lock(FLock);
    return FBoxes.size();
}

void TMessageBoxWatcher::Run() {
    while (!FStop) {
        // A destroyed box's handle may come back for a later one.
        std::erase_if(FHandled, [](HWND window) { return !IsWindow(window); });
        for (HWND box : VisibleBoxes()) {
            if (std::find(FHandled.begin(), FHandled.end(), box) != FHandled.end()) continue;
            FHandled.push_back(box);
            TBoxSnapshot snapshot = Snapshot(box);
            {
                const std::lock_guard lock(FLock);
                FBoxes.push_back(std::move(snapshot));
            }
            FOnBox(box);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling interval of the watcher thread
    }
}

}  // namespace rulv::test
