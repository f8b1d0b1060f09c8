// Application.cpp - title, hints, message loop and the exception boundary.
#include "Application.h"

#include <commctrl.h>

#include "../common/Errors.h"
#include "../common/Unicode.h"

namespace rulv::ui {

TApplication& Application() {
    static TApplication application;
    return application;
}

const std::wstring& TApplication::Title() const noexcept { return FTitle; }

void TApplication::SetTitle(const std::wstring& title) { FTitle = title; }

HWND TApplication::MainFormHandle() const noexcept { return FMainForm; }

HICON TApplication::Icon() const noexcept { return FIcon; }

HINSTANCE TApplication::Instance() const noexcept { return FInstance; }

void TApplication::Initialize(HINSTANCE instance, int iconId) {
    FInstance = instance;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    // LoadIcon's icons are shared: the system frees them, we never do.
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

void TApplication::ShowException(const std::exception& error) noexcept {
    ++FExceptionReports;
    std::wstring text;
    try {
        text = ReportText(Utf8ToWide(error.what()));
    } catch (...) {
        text = L"Out of memory.";  // not even the text could be built
    }
    MessageBoxW(nullptr, text.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

void TApplication::HandleException(std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // The user has been told already.
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown error"));
    }
}

void TApplication::ShowPlainMessage(const std::wstring& text) noexcept {
    // No owner and MB_TASKMODAL: centred on the screen, and every window of
    // the thread waits for it, as the owner of a modal box would.
    MessageBoxW(nullptr, text.c_str(), FTitle.c_str(), MB_OK | MB_TASKMODAL);
}

void TApplication::SetHint(const std::wstring& hint) {
    if (hint == FHint) return;
    FHint = hint;
    if (OnHint) OnHint();
}

void TApplication::RegisterHint(HWND window, std::wstring longHint) { FHints[window] = std::move(longHint); }

void TApplication::UnregisterHint(HWND window) noexcept { FHints.erase(window); }

void TApplication::UpdateHintFor(const MSG& message) {
    const auto found = FHints.find(message.hwnd);
    SetHint(found == FHints.end() ? std::wstring() : found->second);
}

bool TApplication::ProcessMessage(bool& quit) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        quit = true;
        PostQuitMessage(static_cast<int>(message.wParam));
        return true;
    }
    if (message.message == WM_MOUSEMOVE) {
        Protect([&] { UpdateHintFor(message); });
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
}

int TApplication::Run(int showCommand) {
    if (FMainForm) {
        ShowWindow(FMainForm, showCommand);
        UpdateWindow(FMainForm);
    }
    bool quit = false;
    while (!quit) {
        if (!ProcessMessage(quit)) WaitMessage();
    }
    // Take our WM_QUIT off the queue again.
    MSG message;
    PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return 0;
}

}  // namespace rulv::ui
