// Menus.cpp - menu items and the form's menu dispatch.
#include "ui/Menus.h"

#include "ui/Application.h"

namespace rulv::ui {

void TMenuItem::AttachCommand(HMENU menu, UINT command, std::wstring hint) {
    FMenu = menu;
    FCommand = command;
    FHint = std::move(hint);
}

void TMenuItem::AttachDropDown(HMENU bar, int position) {
    FMenu = bar;
    FPosition = position;
    FDropDown = GetSubMenu(bar, position);
}

UINT TMenuItem::State() const noexcept {
    return FDropDown ? GetMenuState(FMenu, static_cast<UINT>(FPosition), MF_BYPOSITION)
                     : GetMenuState(FMenu, FCommand, MF_BYCOMMAND);
}

bool TMenuItem::Enabled() const noexcept {
    const UINT state = State();
    return state != static_cast<UINT>(-1) && !(state & (MF_DISABLED | MF_GRAYED));
}

void TMenuItem::SetEnabled(bool enabled) noexcept {
    const UINT flags = enabled ? MF_ENABLED : MF_GRAYED;
    if (FDropDown) EnableMenuItem(FMenu, static_cast<UINT>(FPosition), MF_BYPOSITION | flags);
    else EnableMenuItem(FMenu, FCommand, MF_BYCOMMAND | flags);
}

bool TMenuItem::Checked() const noexcept {
    const UINT state = State();
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

void TMenuItem::SetChecked(bool checked) noexcept {
    if (!FDropDown) CheckMenuItem(FMenu, FCommand, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TMenuItem::SetRadioChecked(bool checked) noexcept {
    if (FDropDown) return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    if (!GetMenuItemInfoW(FMenu, FCommand, FALSE, &info)) return;
    info.fType |= MFT_RADIOCHECK;
    info.fState = checked ? (info.fState | MFS_CHECKED) : (info.fState & ~static_cast<UINT>(MFS_CHECKED));
    SetMenuItemInfoW(FMenu, FCommand, FALSE, &info);
}

TMenuItem* TForm::CommandItem(UINT command) const noexcept {
    for (TMenuItem* item : FMenuItems) {
        if (!item->DropDown() && item->Command() == command) return item;
    }
    return nullptr;
}

TMenuItem* TForm::DropDownItem(HMENU dropDown) const noexcept {
    for (TMenuItem* item : FMenuItems) {
        if (item->DropDown() && item->DropDown() == dropDown) return item;
    }
    return nullptr;
}

void TForm::MenuCommand(UINT command, bool fromShortcut) {
    TMenuItem* item = CommandItem(command);
    if (!item) return;
    if (fromShortcut) {
        // Bring the item's enabled state up to date, as opening its menu would.
        if (TMenuItem* dropDown = DropDownItem(item->Menu()); dropDown && dropDown->OnClick) dropDown->OnClick();
        if (!item->Enabled()) return;
    }
    if (item->OnClick) item->OnClick();
}

void TForm::MenuSelect(UINT item, UINT flags, HMENU menu) {
    // flags 0xFFFF with no menu: the menu closed. Drop-downs and separators
    // have no hint; a command has its own (which may be empty).
    std::wstring hint;
    if (menu && flags != 0xFFFF && !(flags & (MF_POPUP | MF_SEPARATOR))) {
        if (const TMenuItem* command = CommandItem(item)) hint = command->Hint();
    }
    Application().SetHint(hint);
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0) {  // from a menu (0) or an accelerator (1), not a control
            MenuCommand(LOWORD(wParam), HIWORD(wParam) == 1);
            return 0;
        }
        break;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) {  // not the system menu
            if (TMenuItem* dropDown = DropDownItem(reinterpret_cast<HMENU>(wParam)); dropDown && dropDown->OnClick) {
                dropDown->OnClick();
            }
        }
        return 0;
    case WM_MENUSELECT:
        MenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_EXITMENULOOP:
        Application().SetHint(std::wstring());
        return 0;
    default:
        break;
    }
    return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace rulv::ui
