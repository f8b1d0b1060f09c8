// ErrorBox.cpp - the error box's layout and its one button.
#include "ui/ErrorBox.h"

#include <algorithm>

#include "ui/Dpi.h"

namespace rulv::ui {

namespace {

// Layout at 96 pixels per inch.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kGap = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_NOIDLEMSG;

TFontHandle MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) ||
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return TFontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
    return TFontHandle{};
}

// The size the text takes when wrapped at word boundaries to `maxWidth`.
SIZE MeasureText(HWND box, HFONT font, const std::wstring& text, int maxWidth) {
    TWindowDC dc(box);
    TSelectGuard selected(dc.Get(), font);
    RECT rect{0, 0, maxWidth, 0};
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rect, kTextFormat | DT_CALCRECT);
    return {std::min<LONG>(rect.right, maxWidth), rect.bottom};
}

HWND AddControl(HWND box, const wchar_t* className, const wchar_t* text, DWORD style, int id, const RECT& bounds,
                HFONT font) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                                   bounds.right - bounds.left, bounds.bottom - bounds.top, box,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

}  // namespace

TErrorBox::TErrorBox(std::wstring caption, std::wstring text) : FCaption(std::move(caption)), FText(std::move(text)) {}

TErrorBox::~TErrorBox() = default;

void TErrorBox::ShowModal() { RunModal(GetActiveWindow(), kStyle); }

void TErrorBox::LayOut() {
    const HWND box = Handle();
    const UINT dpi = WindowDpi(box);
    auto scale = [dpi](int length) { return Scale(length, dpi); };
    FFont = MessageFont(dpi);
    const HFONT font = FFont ? FFont.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SetWindowTextW(box, FCaption.c_str());

    const SIZE text = MeasureText(box, font, FText, GetSystemMetrics(SM_CXSCREEN) / 2);
    const int margin = scale(kMargin);
    const int icon = scale(kIconSize);
    const int textLeft = margin + icon + scale(kGap);
    const int buttonWidth = scale(kButtonWidth);
    const int buttonTop = margin + std::max<int>(icon, text.cy) + scale(kGap);
    const int clientWidth = std::max<int>(textLeft + text.cx + margin, buttonWidth + 2 * margin);
    const int clientHeight = buttonTop + scale(kButtonHeight) + margin;

    HWND iconControl =
        AddControl(box, L"STATIC", nullptr, SS_ICON, kIconId, {margin, margin, margin + icon, margin + icon}, font);
    // The system's icon is shared: not ours to destroy.
    SendMessageW(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_HAND)), 0);
    AddControl(box, L"STATIC", FText.c_str(), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, kTextId,
               {textLeft, margin, textLeft + text.cx, margin + text.cy}, font);
    const int buttonLeft = (clientWidth - buttonWidth) / 2;
    HWND button = AddControl(box, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK,
                             {buttonLeft, buttonTop, buttonLeft + buttonWidth, buttonTop + scale(kButtonHeight)}, font);
    CentreOnScreen(box, clientWidth, clientHeight, dpi);
    SetFocus(button);
}

void TErrorBox::Close() noexcept {
    // Enable the other windows before this one goes, so that the
    // activation returns to them.
    FOthers.reset();
    EndDialog(Handle(), IDOK);
}

INT_PTR TErrorBox::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        LayOut();
        FOthers = std::make_unique<TTaskWindowsDisabler>(Handle());
        return FALSE;  // the focus is set on the button
    case WM_COMMAND:
        // One button: Enter, Esc and the close button all mean "OK".
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            Close();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR TErrorBox::ResultAfterError(UINT, WPARAM, LPARAM) noexcept {
    Close();
    return TRUE;
}

}  // namespace rulv::ui
