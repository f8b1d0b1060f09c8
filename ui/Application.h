// Application.h - the application object of our small Win32 layer.
//
// One per process, reached through Application(). It holds the application
// title (task-bar text and caption of plain message boxes), the current hint
// with its change handler, the main form, the application icon, and runs
// the message loop with the main form's accelerators, waiting on handles
// (a folder's change notification) as well as on messages. Its event
// dispatch is the one exception boundary of the GUI: EAbort is swallowed,
// anything else goes to ShowException (the standard error report).
#pragma once

#include <windows.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace rulv::ui {

class TApplication {
public:
    // The title: "RULV Viewer" at start, then "<file> - RULV Viewer".
    const std::wstring& Title() const noexcept;
    void SetTitle(std::wstring title) noexcept;

    // The main form's window, or nullptr before it exists.
    HWND MainFormHandle() const noexcept;
    // The application icon (resource IDI_APPICON) at the system's large
    // icon size; not ours to destroy.
    HICON Icon() const noexcept;
    // Its image of `size` by `size` pixels (the one drawn for that size,
    // where the icon has one), shared, not ours to destroy; Icon() when
    // there is none.
    HICON IconSized(int size) const noexcept;
    HINSTANCE Instance() const noexcept;

    // The standard error report: the error's text, with "." added when it
    // is not empty and its last character's code is above that of ".",
    // in a modal box captioned with the title, stop icon, one OK button.
    void ShowException(const std::exception& error) noexcept;

    // --- Start-up --------------------------------------------------------
    // Common controls, the icon (resource `iconId` of `instance`, which may
    // be missing in test programs).
    void Initialize(HINSTANCE instance, int iconId);
    void SetMainForm(HWND form, HACCEL accelerators) noexcept;

    // The command line the main form reads its argument from; the
    // process's own unless somebody (a test) sets another.
    const std::wstring& CommandLine() const noexcept { return FCommandLine; }
    void SetCommandLine(std::wstring commandLine) { FCommandLine = std::move(commandLine); }

    // --- Hints -----------------------------------------------------------
    // The long hint of whatever the pointer rests on or the highlighted
    // menu item; OnHint runs whenever it changes.
    const std::wstring& Hint() const noexcept { return FHint; }
    void SetHint(const std::wstring& hint);
    std::function<void()> OnHint;
    // Windows with a hint of their own; every other window has none.
    void RegisterHint(HWND window, std::wstring longHint);
    void UnregisterHint(HWND window) noexcept;

    // --- Message loop ----------------------------------------------------
    // Shows the main form and processes messages until WM_QUIT; 0 then.
    // Between messages it runs the handlers of signalled handles (WaitOn),
    // and it sleeps until a message comes or a handle is signalled.
    int Run(int showCommand);
    // One message, if there is one; false when the queue was empty.
    // Sets `quit` when it met WM_QUIT (and puts it back for the caller).
    bool ProcessMessage(bool& quit);
    // Everything that is waiting now: the messages, then the handler of
    // one signalled handle.
    void ProcessMessages();

    // --- Handles the message loop waits on ---------------------------------
    // `onSignalled` runs on this thread, inside the exception boundary,
    // whenever the message loop finds `handle` signalled between messages
    // (never inside a modal loop: a box, a dialog or a menu). The handler
    // must take the signal back (reset the event, restart the wait) or stop
    // waiting on the handle. At most kMaxWaits handles.
    static constexpr std::size_t kMaxWaits = MAXIMUM_WAIT_OBJECTS - 1;
    void WaitOn(HANDLE handle, std::function<void()> onSignalled);
    void StopWaitingOn(HANDLE handle) noexcept;
    // Runs the handler of one signalled handle; false when none was.
    bool ProcessSignal();

    // --- Message boxes ---------------------------------------------------
    // The plain box of the load flow: caption the title, no icon, one OK,
    // centred on the screen, modal to every window of the thread. Like the
    // standard error report, it gives the activation and the keyboard
    // focus back to where they were when it closes.
    void ShowPlainMessage(const std::wstring& text) noexcept;

    // --- The exception boundary -------------------------------------------
    // Runs `action`; an EAbort ends it silently, any other error goes to
    // the standard error report. True when `action` ran to its end. Every
    // window procedure and callback of the layer goes through here.
    template <class TAction>
    bool Protect(TAction&& action) noexcept {
        try {
            action();
            return true;
        } catch (...) {
            HandleException(std::current_exception());
            return false;
        }
    }
    void HandleException(std::exception_ptr error) noexcept;

    // Number of standard error reports shown so far (tests count them).
    long ExceptionReports() const noexcept { return FExceptionReports; }

    // The hint of whatever the pointer rests on at `screen` (a disabled
    // button included); empty outside our windows and over the caption.
    void UpdateHintAt(POINT screen);
    void UpdateHintAtCursor();

private:
    void ShowModalBox(const wchar_t* text, UINT style) noexcept;
    // The standard error report of a text ready to show.
    void ShowReport(const wchar_t* text) noexcept;
    void RestoreActivation(HWND active, HWND focus) noexcept;

    std::wstring FTitle;
    std::wstring FHint;
    std::wstring FCommandLine;
    std::map<HWND, std::wstring> FHints;
    std::vector<HANDLE> FWaitHandles;
    std::vector<std::function<void()>> FWaitHandlers;  // one per handle, in the same order
    HWND FMainForm = nullptr;
    HACCEL FAccelerators = nullptr;
    HICON FIcon = nullptr;
    int FIconId = 0;
    HINSTANCE FInstance = nullptr;
    long FExceptionReports = 0;
};

TApplication& Application();

// The report's text: `text`, with "." added when it is not empty and its
// last character's code is above that of ".".
std::wstring ReportText(std::wstring text);

}  // namespace rulv::ui
