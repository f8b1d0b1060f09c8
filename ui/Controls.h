// Controls.h - the few controls the viewer window is made of: a panel with
// a lowered bevel, image buttons with tooltips, a paint box and a status
// bar of panels. Lengths are given at 96 DPI; the owner passes its DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Handles.h"
#include "ui/Window.h"

namespace rulv::ui {

// A plain area with a lowered outer bevel, parent of the image buttons,
// with the one tooltip control that shows its buttons' tooltips. That
// control is made when the pointer first comes over the panel: a tooltip
// control is a top-level window, and making it took about 10 ms of the
// time from start to the first painted strip under Wine.
class TPanel : public TWindow {
public:
    void Create(HWND parent);

    // The tooltip control of the panel's controls; nullptr until the
    // pointer has come over the panel.
    HWND ToolTip() const noexcept { return FToolTip.Get(); }
    // Makes the tooltip control with every tool, if there is none yet, and
    // hands it the pointer move `move` (of the panel or one of its
    // controls) that asked for it, so that its tip comes up as for any
    // later move.
    void PointerCame(const MSG& move) noexcept;
    // Shows `text` as the tooltip of `control`, a child of the panel,
    // whether it is enabled or not: a disabled window gets no mouse
    // messages (its parent gets them), so its place on the panel is a
    // tool too. Every tool is in this one tooltip control, because a
    // window is subclassed for one tooltip control only.
    void AddToolTip(HWND control, const std::wstring& text);
    // Moves the tool of a disabled `control` to where the control is now.
    void PlaceToolTip(HWND control) noexcept;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AddTools(std::size_t index) noexcept;

    TWindowHandle FToolTip;
    bool FToolTipFailed = false;
    struct TTool {
        HWND Control;
        std::wstring Text;
    };
    std::vector<TTool> FTools;  // the disabled tool of control i has the id i + 1
};

// Splits "short|long" into its two texts; a text without "|" is both.
std::wstring ShortHint(const std::wstring& hint);
std::wstring LongHint(const std::wstring& hint);

// An image button: a 16x16 glyph from a 32x16 bitmap holding the normal and
// the disabled look side by side, the bitmap's bottom-left pixel colour
// being transparent. Shows the short hint as a tooltip and makes the long
// one the application's hint while the pointer rests on it.
class TSpeedButton : public TWindow {
public:
    ~TSpeedButton() override;
    void Create(TPanel& parent, int glyphResource, const std::wstring& hint);
    std::function<void()> OnClick;
    HWND ToolTipHandle() const noexcept { return FPanel ? FPanel->ToolTip() : nullptr; }
    const std::wstring& Hint() const noexcept { return FHint; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    void SetPressed(bool pressed);

    TBitmapHandle FGlyph;
    TPanel* FPanel = nullptr;
    std::wstring FHint;
    bool FTracking = false;  // the left button went down on us
    bool FPressed = false;   // ... and the pointer is still over us
};

// A window that lets its owner paint it and reports pointer moves. While a
// button that was pressed on it is held, moves outside are reported too. A
// right-click asks its owner for a context menu (WM_CONTEXTMENU).
class TPaintBox : public TWindow {
public:
    ~TPaintBox() override;
    void Create(HWND parent);
    std::function<void(HDC dc)> OnPaint;
    std::function<void(WPARAM keys, int x, int y)> OnMouseMove;
    // An opaque box paints every pixel itself: no background is erased
    // under it (no flicker). Otherwise the background colour shows.
    void SetOpaque(bool opaque) noexcept { FOpaque = opaque; }
    int Width() const noexcept { return ClientWidth(); }
    int Height() const noexcept { return ClientHeight(); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool FOpaque = false;
};

enum class TAlignment { Left, Center, Right };

// The common status bar, with panels of fixed widths (the last reaching to
// the right end).
class TStatusBar {
public:
    void Create(HWND parent, int id);
    HWND Handle() const noexcept { return FHandle; }
    // Widths at 96 DPI; `dpi` scales them.
    void SetPanels(std::vector<int> widths, std::vector<TAlignment> alignments, UINT dpi);
    void SetText(int panel, const std::wstring& text);
    // The panel's text as we set it (without the alignment tabs).
    const std::wstring& Text(int panel) const { return FTexts.at(static_cast<size_t>(panel)); }
    bool Visible() const noexcept { return FHandle && (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_VISIBLE); }
    void SetVisible(bool visible) noexcept;
    // The bar takes the size its owner gives it, not one of its own.
    void Place(int left, int top, int width, int height) noexcept;
    int Height() const noexcept;

private:
    void ApplyText(int panel);

    HWND FHandle = nullptr;
    std::vector<int> FWidths;
    std::vector<TAlignment> FAlignments;
    std::vector<std::wstring> FTexts;
    UINT FDpi = 96;
};

}  // namespace rulv::ui
