// About.cpp - the about box's window and its layout.
#include "about/About.h"

#include "common/SystemError.h"
#include "resources/AboutResource.h"
#include "resources/Texts.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace rulv {

namespace {

// --- Layout, in pixels at 96 pixels per inch --------------------------------

constexpr int kClientWidth = 329;
constexpr int kClientHeight = 103;
constexpr int kFontHeight = 12;  // character height
constexpr int kImageSize = 32;   // the icon and the emblem
constexpr RECT kBevel1{48, 8, 48 + 233, 8 + 57};

enum class Kind { Image, Label, Button };

struct ControlLayout {
    HWND TAboutBox::*field;
    Kind kind;
    int id;
    const wchar_t* text;
    int left, top, width, height;
};

// In creation order; the bevel, painted by the box, lies beneath them all.
constexpr ControlLayout kControls[] = {
    {&TAboutBox::Icon, Kind::Image, IDC_ABOUT_ICON, nullptr, 8, 16, 32, 32},
    {&TAboutBox::Title, Kind::Label, IDC_ABOUT_TITLE, L"[Title]", 56, 16, 217, 12},
    {&TAboutBox::Version, Kind::Label, IDC_ABOUT_VERSION, L"[Version]", 56, 32, 217, 12},
    {&TAboutBox::Copyright, Kind::Label, IDC_ABOUT_COPYRIGHT, L"[Copyright]", 56, 48, 217,
     12},
    {&TAboutBox::Image1, Kind::Image, IDC_ABOUT_IMAGE1, nullptr, 288, 16, 32, 32},
    {&TAboutBox::Button1, Kind::Button, IDOK, L"&OK", 128, 72, 73, 25},
};

DWORD StyleOf(Kind kind) {
    switch (kind) {
    case Kind::Image:
        // The picture at its own size from the top-left corner.
        return SS_ICON | SS_REALSIZEIMAGE;
    case Kind::Label:
        // Drawn by the box: centred, never wrapped, cut at the edges.
        return SS_OWNERDRAW;
    case Kind::Button:
        return BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP;
    }
    return 0;
}

// A fixed dialog frame: no resizing, no minimise or maximise boxes.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

}  // namespace

TAboutBox::TAboutBox(HWND owner) {
    CreateModeless(owner, kStyle);
    SetWindowTextW(Handle(), texts::kAboutCaption);
    CreateControls();
}

TAboutBox::~TAboutBox() { DestroyModeless(); }

void TAboutBox::CreateControls() {
    const UINT dpi = ui::WindowDpi(Handle());
    auto scale = [dpi](int length) { return ui::Scale(length, dpi); };

    FFont.Reset(CreateFontW(-scale(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, texts::kFontName));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
    Bevel1 = {scale(kBevel1.left), scale(kBevel1.top), scale(kBevel1.right),
              scale(kBevel1.bottom)};

    for (const ControlLayout& layout : kControls) {
        const bool isButton = layout.kind == Kind::Button;
        HWND control = CreateWindowExW(
            0, isButton ? L"BUTTON" : L"STATIC", layout.text,
            WS_CHILD | WS_VISIBLE | StyleOf(layout.kind), scale(layout.left),
            scale(layout.top), scale(layout.width), scale(layout.height), Handle(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), nullptr, nullptr);
        if (!control) RaiseInOutError(LastSystemError());
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
        this->*layout.field = control;
    }

    // The emblem is part of the layout, stored with the program, with an
    // image for each size the box takes.
    FEmblem.reset(static_cast<HICON>(LoadImageW(ui::Application().Instance(), MAKEINTRESOURCEW(IDI_ABOUT_EMBLEM),
                                                IMAGE_ICON, IconSize(), IconSize(), LR_DEFAULTCOLOR)));
    SendMessageW(Image1, STM_SETICON, reinterpret_cast<WPARAM>(FEmblem.get()), 0);

    ui::CentreOnScreen(Handle(), scale(kClientWidth), scale(kClientHeight), dpi);
}

int TAboutBox::IconSize() const noexcept { return ui::Scale(kImageSize, ui::WindowDpi(Handle())); }

void TAboutBox::SetIcon(HICON icon) {
    UniqueIcon copy(CopyIcon(icon));
    SendMessageW(Icon, STM_SETICON, reinterpret_cast<WPARAM>(copy.get()), 0);
    FIconImage = std::move(copy);  // the old copy is no longer shown
}

int TAboutBox::ShowModal() {
    FModalResult = 0;
    ui::TTaskWindowsDisabler others(Handle());
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(Button1);

    MSG message;
    while (FModalResult == 0) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) RaiseInOutError(LastSystemError());
        if (got == 0) {
            // Leave the quit for the loop that runs the program.
            PostQuitMessage(static_cast<int>(message.wParam));
            FModalResult = mrCancel;
            break;
        }
        if (!IsDialogMessageW(Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The other windows come back before this one hides, so that the
    // activation returns to the main window.
    others.Restore();
    ShowWindow(Handle(), SW_HIDE);
    return FModalResult;
}

INT_PTR TAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) FModalResult = mrOk;
        // Esc (IDCANCEL) does nothing: the box has no cancel button.
        return TRUE;
    case WM_CLOSE:
        FModalResult = mrCancel;
        return TRUE;
    case WM_PAINT:
        PaintBevel();
        return TRUE;
    case WM_DRAWITEM:
        DrawLabel(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

void TAboutBox::PaintBevel() {
    ui::TPaintScope paint(Handle());
    // A lowered box: shadow on the top and left, highlight on the bottom
    // and right, one pixel wide.
    RECT bevel = Bevel1;
    DrawEdge(paint.DC(), &bevel, BDR_SUNKENOUTER, BF_RECT);
}

void TAboutBox::DrawLabel(const DRAWITEMSTRUCT& item) {
    const int length = GetWindowTextLengthW(item.hwndItem);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(item.hwndItem, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));

    RECT rect = item.rcItem;
    FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    ui::TSelectGuard font(item.hDC, FFont.Get());
    SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(item.hDC, TRANSPARENT);
    // "&" underlines the next character and "&&" shows one "&", as in
    // every label; text wider than the label is cut at both edges.
    DrawTextW(item.hDC, text.c_str(), length, &rect, DT_CENTER | DT_EXPANDTABS);
}

}  // namespace rulv
