// About.h - TAboutBox, the about box's window.
//
// Built from its layout (below in About.cpp, designed at 96 pixels per inch)
// for one showing and destroyed with the object: nothing of one showing
// carries over to the next. It has no behaviour of its own besides closing:
// the OK button gives the modal result 1, the title bar's close button 2.
#pragma once

#include "ui/Dialog.h"
#include "ui/Handles.h"

#include <windows.h>

#include <memory>
#include <type_traits>

namespace rulv {

class TAboutBox : public ui::TDialog {
public:
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    // Creates the window, hidden, with the layout's caption "ﾊﾞｰｼﾞｮﾝ情報"
    // and the placeholder texts, centred on the screen.
    explicit TAboutBox(HWND owner);
    ~TAboutBox() override;

    // Shows a copy of `icon` in the `Icon` image.
    void SetIcon(HICON icon);
    // The size in pixels of the two images at the box's DPI.
    int IconSize() const noexcept;

    // Shows the box with the program's other windows disabled and runs its
    // loop until the box is closed; gives the modal result. A WM_QUIT that
    // arrives meanwhile ends the loop and is posted again.
    int ShowModal();

    // The controls, in field order. The bevel is drawn by the box itself;
    // Bevel1 is its place in client coordinates.
    HWND Icon = nullptr;
    HWND Title = nullptr;
    HWND Version = nullptr;
    HWND Copyright = nullptr;
    HWND Button1 = nullptr;
    RECT Bevel1{};
    HWND Image1 = nullptr;

protected:
    // Closing with OK or the title bar; painting the bevel and the labels.
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct IconDeleter {
        void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
    };
    using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

    void CreateControls();
    void PaintBevel();
    void DrawLabel(const DRAWITEMSTRUCT& item);

    // The window is destroyed before them (in the destructor).
    ui::TFontHandle FFont;
    UniqueIcon FIconImage;
    UniqueIcon FEmblem;
    int FModalResult = 0;
};

}  // namespace rulv
