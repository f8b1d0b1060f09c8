// Menus.h - menu items with hints, check marks and opening handlers, and
// the form that dispatches menu commands, shortcuts and menu hints.
//
// The menu itself is a resource; a TMenuItem names one entry of it: a
// command (by its ID) or a drop-down menu (by its position in the bar).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace rulv::ui {

class TMenuItem {
public:
    TMenuItem() = default;
    // A command of `menu`, the drop-down that holds it.
    void AttachCommand(HMENU menu, UINT command, std::wstring hint);
    // The drop-down at `position` of the menu bar `bar`.
    void AttachDropDown(HMENU bar, int position);
    // A separator: nothing to do, but named like the rest.
    void AttachSeparator() noexcept {}

    UINT Command() const noexcept { return FCommand; }
    HMENU Menu() const noexcept { return FMenu; }
    HMENU DropDown() const noexcept { return FDropDown; }
    const std::wstring& Hint() const noexcept { return FHint; }

    bool Enabled() const noexcept;
    void SetEnabled(bool enabled) noexcept;
    bool Checked() const noexcept;
    void SetChecked(bool checked) noexcept;
    // The check mark as a bullet: the item is one choice of a group.
    void SetRadioChecked(bool checked) noexcept;

    // A command's click, or a drop-down's opening.
    std::function<void()> OnClick;

private:
    UINT State() const noexcept;

    HMENU FMenu = nullptr;      // the menu holding this item
    HMENU FDropDown = nullptr;  // for a drop-down: its own menu
    UINT FCommand = 0;
    int FPosition = -1;
    std::wstring FHint;
};

// A top-level window with a main menu. A shortcut acts like its menu item:
// the drop-down holding the item runs its opening handler first, and the
// shortcut of a disabled item does nothing. The highlighted item's hint is
// the application's hint while the menu is open.
class TForm : public TWindow {
protected:
    void AddMenuItem(TMenuItem& item) { FMenuItems.push_back(&item); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TMenuItem* CommandItem(UINT command) const noexcept;
    TMenuItem* DropDownItem(HMENU dropDown) const noexcept;
    void MenuCommand(UINT command, bool fromShortcut);
    void MenuSelect(UINT item, UINT flags, HMENU menu);

    std::vector<TMenuItem*> FMenuItems;
};

}  // namespace rulv::ui
