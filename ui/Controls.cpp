// Controls.cpp - panel, image button, paint box and status bar.
#include "ui/Controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "common/SystemError.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace rulv::ui {

namespace {

constexpr wchar_t kPanelClass[] = L"RulvPanel";
constexpr wchar_t kSpeedButtonClass[] = L"RulvSpeedButton";
constexpr wchar_t kPaintBoxClass[] = L"RulvPaintBox";
constexpr int kGlyphSize = 16;
constexpr int kEdgeWidth = 2;  // of the raised edge DrawEdge draws

HBRUSH ButtonFaceBrush() noexcept { return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)); }

}  // namespace

// ---------------------------------------------------------------- TPanel --

void TPanel::Create(HWND parent) {
    RegisterWindowClass(kPanelClass, CS_HREDRAW | CS_VREDRAW, ButtonFaceBrush(), nullptr);
    CreateHandle(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                 nullptr);
}

void TPanel::PointerCame(const MSG& move) noexcept {
    if (FToolTip.Get() || FToolTipFailed) return;
    FToolTip.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                   Application().Instance(), nullptr));
    // Without the control the buttons show no tooltips, and nothing else
    // changes; a report at every pointer move would be worse.
    if (!FToolTip.Get()) {
        FToolTipFailed = true;
        return;
    }
    for (std::size_t i = 0; i < FTools.size(); ++i) AddTools(i);
    // The tools relay the moves that follow themselves; this one came
    // before they were there.
    SendMessageW(FToolTip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void TPanel::AddToolTip(HWND control, const std::wstring& text) {
    FTools.push_back(TTool{control, text});
    if (FToolTip.Get()) AddTools(FTools.size() - 1);
}

// The two tools of control `index`: the control itself, and its place on
// the panel for while it is disabled.
void TPanel::AddTools(std::size_t index) noexcept {
    TTool& entry = FTools[index];
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(entry.Control);
    tool.lpszText = entry.Text.data();  // the tooltip control keeps a copy
    SendMessageW(FToolTip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.uFlags = TTF_SUBCLASS;
    tool.uId = index + 1;
    SendMessageW(FToolTip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    PlaceToolTip(entry.Control);
}

void TPanel::PlaceToolTip(HWND control) noexcept {
    const auto found =
        std::find_if(FTools.begin(), FTools.end(), [control](const TTool& tool) { return tool.Control == control; });
    if (!FToolTip.Get() || found == FTools.end()) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Handle();
    tool.uId = static_cast<UINT_PTR>(found - FTools.begin()) + 1;
    GetWindowRect(control, &tool.rect);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&tool.rect), 2);
    SendMessageW(FToolTip.Get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) PointerCame(MSG{Handle(), message, wParam, lParam, 0, {}});
    if (message == WM_PAINT) {
        TPaintScope paint(Handle());
        RECT rect = ClientRect();
        DrawEdge(paint.DC(), &rect, BDR_SUNKENOUTER, BF_RECT);
        return 0;
    }
    return TWindow::HandleMessage(message, wParam, lParam);
}

// ---------------------------------------------------------------- hints --

std::wstring ShortHint(const std::wstring& hint) {
    const auto bar = hint.find(L'|');
    return bar == std::wstring::npos ? hint : hint.substr(0, bar);
}

std::wstring LongHint(const std::wstring& hint) {
    const auto bar = hint.find(L'|');
    return bar == std::wstring::npos ? hint : hint.substr(bar + 1);
}

// ---------------------------------------------------------- TSpeedButton --

TSpeedButton::~TSpeedButton() {
    if (Handle()) Application().UnregisterHint(Handle());
}

void TSpeedButton::Create(TPanel& parent, int glyphResource, const std::wstring& hint) {
    RegisterWindowClass(kSpeedButtonClass, CS_HREDRAW | CS_VREDRAW, ButtonFaceBrush(), nullptr);
    FHint = hint;
    FPanel = &parent;
    FGlyph.Reset(static_cast<HBITMAP>(
        LoadImageW(Application().Instance(), MAKEINTRESOURCEW(glyphResource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    CreateHandle(0, kSpeedButtonClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent.Handle(), nullptr);
    Application().RegisterHint(Handle(), LongHint(hint));
    parent.AddToolTip(Handle(), ShortHint(hint));
}

void TSpeedButton::SetPressed(bool pressed) {
    if (pressed == FPressed) return;
    FPressed = pressed;
    Invalidate();
}

void TSpeedButton::Paint(HDC dc) {
    RECT rect = ClientRect();
    FillRect(dc, &rect, ButtonFaceBrush());
    DrawEdge(dc, &rect, FPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (!FGlyph) return;

    BITMAP info{};
    GetObjectW(FGlyph.Get(), sizeof(info), &info);
    TMemoryDC memory(dc);
    TSelectGuard select(memory.Get(), FGlyph.Get());
    // The bottom-left pixel's colour is the transparent one.
    const COLORREF transparent = GetPixel(memory.Get(), 0, info.bmHeight - 1);
    // Whole pixels only, so that the glyph stays crisp: as large a multiple
    // of 16 as fits inside the button's edges.
    const int inner = std::min(rect.right, rect.bottom) - 2 * kEdgeWidth;
    const int size = kGlyphSize * std::max(1, inner / kGlyphSize);
    const int shift = FPressed ? std::max(1, size / kGlyphSize) : 0;
    const int left = (rect.right - size) / 2 + shift;
    const int top = (rect.bottom - size) / 2 + shift;
    const int source = Enabled() ? 0 : kGlyphSize;
    // gdi32's own export of TransparentBlt: msimg32 only forwards to it,
    // and one library fewer to load shortens the start.
    GdiTransparentBlt(dc, left, top, size, size, memory.Get(), source, 0, kGlyphSize, kGlyphSize, transparent);
}

LRESULT TSpeedButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        TPaintScope paint(Handle());
        Paint(paint.DC());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // Paint fills everything
    case WM_ENABLE:
        Invalidate();
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (FPanel) FPanel->PlaceToolTip(Handle());
        return TWindow::HandleMessage(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        FTracking = true;
        SetCapture(Handle());
        SetPressed(true);
        return 0;
    case WM_MOUSEMOVE:
        if (FPanel) FPanel->PointerCame(MSG{Handle(), message, wParam, lParam, 0, {}});
        if (FTracking) {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const RECT rect = ClientRect();
            SetPressed(PtInRect(&rect, point) != FALSE);
        }
        return 0;
    case WM_LBUTTONUP: {
        const bool click = FTracking && FPressed;
        FTracking = false;
        SetPressed(false);
        ReleaseCapture();
        if (click && OnClick) OnClick();
        return 0;
    }
    case WM_CAPTURECHANGED:
        FTracking = false;
        SetPressed(false);
        return 0;
    default:
        return TWindow::HandleMessage(message, wParam, lParam);
    }
}

// ------------------------------------------------------------- TPaintBox --

TPaintBox::~TPaintBox() = default;

void TPaintBox::Create(HWND parent) {
    // CS_HREDRAW: a wider box shows the strip stretched anew.
    RegisterWindowClass(kPaintBoxClass, CS_HREDRAW | CS_VREDRAW, ButtonFaceBrush(), nullptr);
    CreateHandle(0, kPaintBoxClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent, nullptr);
}

LRESULT TPaintBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        if (FOpaque) return 1;
        return TWindow::HandleMessage(message, wParam, lParam);
    case WM_PAINT: {
        TPaintScope paint(Handle());
        if (OnPaint) OnPaint(paint.DC());
        return 0;
    }
    case WM_MOUSEMOVE:
        if (OnMouseMove) OnMouseMove(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetCapture(Handle());
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ReleaseCapture();
        // The system's handling of the right button's release asks for the
        // context menu (WM_CONTEXTMENU), which goes on to the owner.
        if (message == WM_RBUTTONUP) return TWindow::HandleMessage(message, wParam, lParam);
        return 0;
    default:
        return TWindow::HandleMessage(message, wParam, lParam);
    }
}

// ------------------------------------------------------------ TStatusBar --

void TStatusBar::Create(HWND parent, int id) {
    // Placed and sized by its owner (Place), not by itself.
    FHandle = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                              WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0, 0, 0,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Application().Instance(),
                              nullptr);
    if (!FHandle) RaiseInOutError(LastSystemError());
}

void TStatusBar::SetPanels(std::vector<int> widths, std::vector<TAlignment> alignments, UINT dpi) {
    FWidths = std::move(widths);
    FAlignments = std::move(alignments);
    FTexts.resize(FWidths.size());
    FDpi = dpi;
    // Panel edges are cumulative; the last panel reaches to the right end.
    std::vector<int> edges;
    int edge = 0;
    for (size_t i = 0; i < FWidths.size(); ++i) {
        edge += Scale(FWidths[i], dpi);
        edges.push_back(i + 1 == FWidths.size() ? -1 : edge);
    }
    SendMessageW(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < FTexts.size(); ++i) ApplyText(static_cast<int>(i));
}

void TStatusBar::SetText(int panel, const std::wstring& text) {
    FTexts.at(static_cast<size_t>(panel)) = text;
    ApplyText(panel);
}

void TStatusBar::ApplyText(int panel) {
    // The status bar centres text after one tab and right-aligns it after two.
    std::wstring shown;
    switch (FAlignments.at(static_cast<size_t>(panel))) {
    case TAlignment::Left:
        break;
    case TAlignment::Center:
        shown = L"\t";
        break;
    case TAlignment::Right:
        shown = L"\t\t";
        break;
    }
    shown += FTexts[static_cast<size_t>(panel)];
    SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(shown.c_str()));
}

void TStatusBar::SetVisible(bool visible) noexcept { ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE); }

void TStatusBar::Place(int left, int top, int width, int height) noexcept {
    MoveWindow(FHandle, left, top, width, height, TRUE);
}

int TStatusBar::Height() const noexcept {
    RECT rect{};
    GetWindowRect(FHandle, &rect);
    return rect.bottom - rect.top;
}

}  // namespace rulv::ui
