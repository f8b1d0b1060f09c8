// Application.cpp - title, hints, message loop with its waits on handles,
// and the exception boundary.
#include "ui/Application.h"

#include <commctrl.h>
#include <windowsx.h>

#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "common/Errors.h"
#include "common/Unicode.h"
#include "ui/Dialog.h"

namespace rulv::ui {

TApplication& Application() {
    static TApplication application;
    return application;
}

const std::wstring& TApplication::Title() const noexcept { return FTitle; }

void TApplication::SetTitle(std::wstring title) noexcept { FTitle = std::move(title); }

HWND TApplication::MainFormHandle() const noexcept { return FMainForm; }

HICON TApplication::Icon() const noexcept { return FIcon; }

HICON TApplication::IconSized(int size) const noexcept {
    const auto icon = static_cast<HICON>(
        LoadImageW(FInstance, MAKEINTRESOURCEW(FIconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
    return icon ? icon : FIcon;
}

HINSTANCE TApplication::Instance() const noexcept { return FInstance; }

void TApplication::Initialize(HINSTANCE instance, int iconId) {
    FInstance = instance;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    // LoadIcon's icons are shared: the system frees them, we never do.
    FIconId = iconId;
    FIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    if (!FIcon) FIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
    const wchar_t* commandLine = GetCommandLineW();
    FCommandLine = commandLine ? commandLine : L"";
}

void TApplication::SetMainForm(HWND form, HACCEL accelerators) noexcept {
    FMainForm = form;
    FAccelerators = accelerators;
}

std::wstring ReportText(std::wstring text) {
    if (!text.empty() && text.back() > L'.') text += L'.';
    return text;
}

namespace {

// Puts the message box of this thread in the middle of the screen when it
// is first activated: an owned message box would otherwise follow its
// owner's monitor or place.
class TBoxCentring {
public:
    TBoxCentring() noexcept {
        FCurrent = this;
        FHook = SetWindowsHookExW(WH_CBT, &Proc, nullptr, GetCurrentThreadId());
    }
    ~TBoxCentring() {
        if (FHook) UnhookWindowsHookEx(FHook);
        FCurrent = nullptr;
    }
    TBoxCentring(const TBoxCentring&) = delete;
    TBoxCentring& operator=(const TBoxCentring&) = delete;

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) noexcept {
        TBoxCentring* self = FCurrent;
        if (code == HCBT_ACTIVATE && self && !self->FCentred) {
            Application().Protect([&] { self->FCentred = CentreIfMessageBox(reinterpret_cast<HWND>(wParam)); });
        }
        return CallNextHookEx(self ? self->FHook : nullptr, code, wParam, lParam);
    }

    static bool CentreIfMessageBox(HWND window) noexcept {
        wchar_t name[16]{};
        GetClassNameW(window, name, 16);
        if (std::wstring_view(name) != L"#32770") return false;
        RECT rect{};
        GetWindowRect(window, &rect);
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }

    static inline TBoxCentring* FCurrent = nullptr;
    HHOOK FHook = nullptr;
    bool FCentred = false;
};

}  // namespace

void TApplication::ShowModalBox(const wchar_t* text, UINT style) noexcept {
    // The box belongs to the window the user works in, so that the system
    // gives that window the activation back when the box closes; every
    // other window of the thread waits as well.
    const HWND active = GetActiveWindow();
    const HWND focus = GetFocus();
    const HWND owner = active != nullptr && IsWindowVisible(active) ? active : nullptr;
    {
        // Without an owner, MB_TASKMODAL disables the thread's windows itself.
        std::optional<TTaskWindowsDisabler> others;
        if (owner) others.emplace(owner);
        const TBoxCentring centring;
        MessageBoxW(owner, text, FTitle.c_str(), style | (owner ? MB_APPLMODAL : MB_TASKMODAL));
    }
    RestoreActivation(owner, focus);
}

void TApplication::RestoreActivation(HWND active, HWND focus) noexcept {
    if (active == nullptr || !IsWindow(active)) {
        // A box shown while no window of ours was active (at start-up):
        // the main form takes the activation, once it is on screen.
        if (FMainForm && IsWindowVisible(FMainForm)) SetForegroundWindow(FMainForm);
        return;
    }
    SetForegroundWindow(active);
    SetActiveWindow(active);
    if (focus != nullptr && IsWindow(focus) && (focus == active || IsChild(active, focus))) SetFocus(focus);
}

namespace {

// The report of running out of memory: a fixed text, since there may be no
// memory for another.
constexpr wchar_t kOutOfMemoryReport[] = L"Out of memory.";

}  // namespace

void TApplication::ShowReport(const wchar_t* text) noexcept {
    ++FExceptionReports;
    ShowModalBox(text, MB_OK | MB_ICONSTOP);
}

void TApplication::ShowException(const std::exception& error) noexcept {
    std::wstring text;
    try {
        text = ReportText(Utf8ToWide(error.what()));
    } catch (const std::bad_alloc&) {
        ShowReport(kOutOfMemoryReport);  // not even the text could be built
        return;
    }
    ShowReport(text.c_str());
}

void TApplication::HandleException(std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // The user has been told already.
    } catch (const std::bad_alloc&) {
        ShowReport(kOutOfMemoryReport);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowReport(L"Unknown error.");
    }
}

void TApplication::ShowPlainMessage(const std::wstring& text) noexcept { ShowModalBox(text.c_str(), MB_OK); }

void TApplication::SetHint(const std::wstring& hint) {
    if (hint == FHint) return;
    FHint = hint;
    if (OnHint) OnHint();
}

void TApplication::RegisterHint(HWND window, std::wstring longHint) { FHints[window] = std::move(longHint); }

void TApplication::UnregisterHint(HWND window) noexcept { FHints.erase(window); }

namespace {

// The window the pointer rests on at `screen`: WindowFromPoint passes over
// disabled children (their parent gets the mouse), but a disabled button
// still shows its hint.
HWND WindowUnder(POINT screen) noexcept {
    HWND window = WindowFromPoint(screen);
    while (window) {
        POINT client = screen;
        ScreenToClient(window, &client);
        const HWND child = ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (child == nullptr || child == window) break;
        window = child;
    }
    return window;
}

// Asks for a WM_MOUSELEAVE when the pointer leaves `window`, so that the
// hint follows it out of the window (through its edge, the caption or the
// menu bar) and into other programs' windows.
void TrackLeave(HWND window) noexcept {
    DWORD process = 0;
    if (GetWindowThreadProcessId(window, &process) != GetCurrentThreadId()) return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    TrackMouseEvent(&track);
}

}  // namespace

void TApplication::UpdateHintAt(POINT screen) {
    const HWND window = WindowUnder(screen);
    const auto found = FHints.find(window);
    SetHint(found == FHints.end() ? std::wstring() : found->second);
}

void TApplication::UpdateHintAtCursor() {
    POINT cursor{};
    if (GetCursorPos(&cursor)) UpdateHintAt(cursor);
}

bool TApplication::ProcessMessage(bool& quit) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        quit = true;
        PostQuitMessage(static_cast<int>(message.wParam));
        return true;
    }
    if (message.message == WM_MOUSEMOVE || message.message == WM_NCMOUSEMOVE) {
        // The point of the move: in the window's client coordinates for a
        // move over a client area, on the screen for the caption or a frame.
        POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
        if (message.message == WM_MOUSEMOVE) {
            ClientToScreen(message.hwnd, &point);
            TrackLeave(message.hwnd);
        }
        Protect([&] { UpdateHintAt(point); });
    }
    if (FMainForm && FAccelerators && TranslateAcceleratorW(FMainForm, FAccelerators, &message)) return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void TApplication::ProcessMessages() {
    bool quit = false;
    while (!quit && ProcessMessage(quit)) {
    }
    if (!quit) ProcessSignal();
}

void TApplication::WaitOn(HANDLE handle, std::function<void()> onSignalled) {
    StopWaitingOn(handle);
    if (FWaitHandles.size() >= kMaxWaits) throw std::length_error("too many handles to wait on");
    FWaitHandlers.push_back(std::move(onSignalled));
    FWaitHandles.push_back(handle);
}

void TApplication::StopWaitingOn(HANDLE handle) noexcept {
    for (std::size_t i = 0; i < FWaitHandles.size(); ++i) {
        if (FWaitHandles[i] != handle) continue;
        FWaitHandles.erase(FWaitHandles.begin() + static_cast<std::ptrdiff_t>(i));
        FWaitHandlers.erase(FWaitHandlers.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

bool TApplication::ProcessSignal() {
    if (FWaitHandles.empty()) return false;
    const DWORD count = static_cast<DWORD>(FWaitHandles.size());
    const DWORD result = WaitForMultipleObjects(count, FWaitHandles.data(), FALSE, 0);
    if (result >= WAIT_OBJECT_0 + count) return false;
    // The handler may stop this wait or start others: it runs from a copy.
    const std::function<void()> handler = FWaitHandlers[result - WAIT_OBJECT_0];
    Protect(handler);
    return true;
}

int TApplication::Run(int showCommand) {
    if (FMainForm) {
        ShowWindow(FMainForm, showCommand);
        UpdateWindow(FMainForm);
        // Come up active even after a box that was shown before the window
        // (a faulty file on the command line) had the activation.
        if (!IsIconic(FMainForm)) SetForegroundWindow(FMainForm);
    }
    bool quit = false;
    while (!quit) {
        if (ProcessMessage(quit) || ProcessSignal()) continue;
        MsgWaitForMultipleObjectsEx(static_cast<DWORD>(FWaitHandles.size()), FWaitHandles.data(), INFINITE,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    // Take our WM_QUIT off the queue again.
    MSG message;
    PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return 0;
}

}  // namespace rulv::ui
