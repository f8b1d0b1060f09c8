// StandardLibrary.cpp - folder test, shell launch and error box of the help
// command.
//
// Everything here uses the wide-character APIs: a program folder such as
// C:\表\ (whose code-page-932 bytes end in 0x5C) or one with characters
// outside the ANSI code page must work, and a module name is taken whole.
#include "common/StandardLibrary.h"

#include "common/SystemError.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Handles.h"

#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <memory>

namespace rulv {

TBeepProc BeepProc = &MessageBeep;

namespace {

constexpr wchar_t kHelpDocument[] = L"RulvView.html";
constexpr wchar_t kHelpHint[] =
    L"\r\n\r\nﾍﾙﾌﾟを見るためには実行ﾌｧｲﾙのあるﾌｫﾙﾀﾞの中に\r\n"
    L"RulvView.html がなければいけません\r\n";
constexpr int kShellFileNotFound = 2;  // SE_ERR_FNF

// The current directory, whatever its length.
std::wstring CurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) RaiseInOutError(LastSystemError());
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);  // the needed size, terminator included
    }
}

}  // namespace

bool DirExists(const std::wstring& name) {
    const std::wstring saved = CurrentDirectory();
    // The reason a folder cannot be entered is of no interest: missing and
    // inaccessible folders are both "not there" for the help command.
    const bool entered = SetCurrentDirectoryW(name.c_str()) != FALSE;
    if (!SetCurrentDirectoryW(saved.c_str())) RaiseInOutError(LastSystemError());
    return entered;
}

int ExecuteFile(const std::wstring& fileName, const std::wstring& params,
                const std::wstring& defaultDir, int showCmd) {
    // A null verb lets the shell use the document type's default action; the
    // parameters go as an empty text, never as a null pointer.
    const HINSTANCE result =
        ShellExecuteW(ui::Application().MainFormHandle(), nullptr, fileName.c_str(),
                      params.c_str(), defaultDir.c_str(), showCmd);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

std::wstring ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) RaiseInOutError(LastSystemError());
        // A name that fills the buffer may have been cut: try a larger one.
        if (length < buffer.size()) {
            buffer.resize(length);
            return FolderPart(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void ShowHelpDocument(const std::wstring& folder) {
    if (!DirExists(folder)) {
        ErrorMessage(folder + L" が見つかりません" + kHelpHint);
        return;
    }
    const int result = ExecuteFile(kHelpDocument, L"", folder, SW_SHOW);
    // Only a missing document is explained; success and every other failure
    // of the shell (no association, access denied, ...) end silently.
    if (result == kShellFileNotFound)
        ErrorMessage(std::wstring(kHelpDocument) + L" が見つかりません" + kHelpHint);
}

// --- TTaskWindowsDisabler --------------------------------------------------

TTaskWindowsDisabler::TTaskWindowsDisabler(HWND keep) : FKeep(keep) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM self) noexcept -> BOOL {
            auto* disabler = reinterpret_cast<TTaskWindowsDisabler*>(self);
            if (window == disabler->FKeep || !IsWindowVisible(window) ||
                !IsWindowEnabled(window))
                return TRUE;
            try {
                disabler->FDisabled.push_back(window);
            } catch (...) {
                return FALSE;  // out of memory: leave the rest enabled
            }
            EnableWindow(window, FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

TTaskWindowsDisabler::~TTaskWindowsDisabler() { Restore(); }

void TTaskWindowsDisabler::Restore() noexcept {
    for (HWND window : FDisabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    FDisabled.clear();
}

// --- ErrorMessage ----------------------------------------------------------

namespace {

// Layout of the error box at 96 pixels per inch.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kGap = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;
constexpr UINT kTextFormat =
    DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT;

// What the box's procedure needs; lives on ErrorMessage's stack.
struct ErrorBox {
    const std::wstring& text;
    ui::TFontHandle font;
    std::unique_ptr<TTaskWindowsDisabler> others;
};

ui::TFontHandle MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                   dpi) ||
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return ui::TFontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
    return ui::TFontHandle{};
}

// The size the text takes when wrapped at word boundaries to `maxWidth`.
SIZE MeasureText(HWND box, HFONT font, const std::wstring& text, int maxWidth) {
    ui::TWindowDC dc(box);
    ui::TSelectGuard selected(dc.Get(), font);
    RECT rect{0, 0, maxWidth, 0};
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rect,
              kTextFormat | DT_CALCRECT);
    return {std::min<LONG>(rect.right, maxWidth), rect.bottom};
}

HWND AddControl(HWND box, const wchar_t* className, const wchar_t* text, DWORD style,
                int id, const RECT& bounds, HFONT font) {
    HWND control = CreateWindowExW(
        0, className, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
        bounds.right - bounds.left, bounds.bottom - bounds.top, box,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void CentreOnScreen(HWND window, int clientWidth, int clientHeight, UINT dpi) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                             FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutErrorBox(HWND box, ErrorBox& state) {
    const UINT dpi = ui::WindowDpi(box);
    auto scale = [dpi](int length) { return ui::Scale(length, dpi); };
    state.font = MessageFont(dpi);
    const HFONT font = state.font ? state.font.Get()
                                  : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SetWindowTextW(box, L"エラー");

    const SIZE text = MeasureText(box, font, state.text,
                                  GetSystemMetrics(SM_CXSCREEN) / 2);
    const int margin = scale(kMargin);
    const int icon = scale(kIconSize);
    const int textLeft = margin + icon + scale(kGap);
    const int buttonWidth = scale(kButtonWidth);
    const int buttonTop = margin + std::max<int>(icon, text.cy) + scale(kGap);
    const int clientWidth =
        std::max<int>(textLeft + text.cx + margin, buttonWidth + 2 * margin);
    const int clientHeight = buttonTop + scale(kButtonHeight) + margin;

    HWND iconControl = AddControl(box, L"STATIC", nullptr, SS_ICON, kIconId,
                                  {margin, margin, margin + icon, margin + icon},
                                  font);
    // The system's icon is shared: not ours to destroy.
    SendMessageW(iconControl, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_HAND)), 0);
    AddControl(box, L"STATIC", state.text.c_str(),
               SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, kTextId,
               {textLeft, margin, textLeft + text.cx, margin + text.cy}, font);
    const int buttonLeft = (clientWidth - buttonWidth) / 2;
    HWND button = AddControl(
        box, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK,
        {buttonLeft, buttonTop, buttonLeft + buttonWidth, buttonTop + scale(kButtonHeight)},
        font);
    CentreOnScreen(box, clientWidth, clientHeight, dpi);
    SetFocus(button);
}

INT_PTR CALLBACK ErrorBoxProc(HWND box, UINT message, WPARAM wParam,
                              LPARAM lParam) noexcept {
    try {
        switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<ErrorBox*>(lParam);
            SetWindowLongPtrW(box, DWLP_USER, lParam);
            LayOutErrorBox(box, *state);
            state->others = std::make_unique<TTaskWindowsDisabler>(box);
            return FALSE;  // the focus is set on the button
        }
        case WM_COMMAND:
            // One button: Enter, Esc and the close button all mean "OK".
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                // Enable the other windows before this one goes, so that
                // the activation returns to them.
                if (auto* state = reinterpret_cast<ErrorBox*>(
                        GetWindowLongPtrW(box, DWLP_USER)))
                    state->others.reset();
                EndDialog(box, IDOK);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    } catch (const std::exception& error) {
        ui::Application().ShowException(error);
    } catch (...) {
    }
    EndDialog(box, IDOK);
    return TRUE;
}

// An empty dialog; its controls are laid out in code, in pixels.
struct alignas(DWORD) EmptyDialog {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

}  // namespace

void ErrorMessage(const std::wstring& message) {
    BeepProc(MB_ICONASTERISK);
    static const EmptyDialog kTemplate{
        {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_NOIDLEMSG, 0, 0, 0, 0, 0,
         0},
        0, 0, 0};
    ErrorBox state{message, {}, nullptr};
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), &kTemplate.header, GetActiveWindow(), &ErrorBoxProc,
        reinterpret_cast<LPARAM>(&state));
    if (result == -1) RaiseInOutError(LastSystemError());
}

}  // namespace rulv
