// Application.h - the application object of our small Win32 layer.
//
// (Interface agreed between the modules; the ui layer's author extends it.)
// One per process, reached through Application(). It holds the application
// title (task-bar text and caption of plain message boxes), the current hint
// with its change handler, the main form, the application icon, and runs
// the message loop with the main form's accelerators. Its event dispatch is
// the one exception boundary of the GUI: EAbort is swallowed, anything else
// goes to ShowException (the standard error report).
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace rulv::ui {

class TApplication {
public:
    // The title: "RULV Viewer" at start, then "<file> - RULV Viewer".
    const std::wstring& Title() const noexcept;
    void SetTitle(const std::wstring& title);

    // The main form's window, or nullptr before it exists.
    HWND MainFormHandle() const noexcept;
    // The application icon (resource IDI_APPICON); not ours to destroy.
    HICON Icon() const noexcept;
    HINSTANCE Instance() const noexcept;

    // The standard error report: the error's text, with "." added when it
    // is not empty and its last character's code is above that of ".",
    // in a modal box captioned with the title, stop icon, one OK button.
    void ShowException(const std::exception& error) noexcept;
};

TApplication& Application();

}  // namespace rulv::ui
