// ErrorBox.h - the error box: a caption, the system's error icon, a text
// with its line breaks wrapped to at most half the screen's width, and one
// OK button that is both the default (Enter) and the cancel button (Esc).
// Centred on the screen; the program's other windows wait while it is up.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/Dialog.h"
#include "ui/Handles.h"

namespace rulv::ui {

class TErrorBox : public TDialog {
public:
    TErrorBox(std::wstring caption, std::wstring text);
    ~TErrorBox() override;

    // Shows the box modally and returns when the user has closed it.
    void ShowModal();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A box whose handler failed closes, so that the program goes on.
    INT_PTR ResultAfterError(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

private:
    void LayOut();
    void Close() noexcept;

    std::wstring FCaption;
    std::wstring FText;
    TFontHandle FFont;
    std::unique_ptr<TTaskWindowsDisabler> FOthers;
};

}  // namespace rulv::ui
