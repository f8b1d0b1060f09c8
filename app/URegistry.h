// URegistry.h - window and view settings in the current user's registry.
//
// HKEY_CURRENT_USER\Software\Wuld\RulvViewer
//   Form\Height, Form\Width            outer size in pixels, decimal text
//   View\ShowToolBar, View\ShowStatusBar   "1" shown, "0" hidden
//   View\FollowFile                    "1" the shown file is followed, "0" not
// All values REG_SZ, kept by RegistrySettings (the store). The two routines
// here read them once as the first step of the main form's creation and
// write them once as the whole of its destruction, on what the window hands
// them (TSettingsTarget; the main window's side lives in Main.cpp).
#pragma once

namespace rulv {

// The program key below HKEY_CURRENT_USER.
inline constexpr char kSettingsKey[] = "Software\\Wuld\\RulvViewer";

// What the settings act on: the main window's outer size, its two bars and
// whether it follows the file it shows. The bars are shown when the window
// is created, and the file is not followed; a toggle flips a bar together
// with the check mark of its menu item.
class TSettingsTarget {
public:
    virtual ~TSettingsTarget() = default;
    virtual int OuterHeight() const = 0;
    virtual int OuterWidth() const = 0;
    virtual void SetOuterHeight(int height) = 0;
    virtual void SetOuterWidth(int width) = 0;
    virtual void ToggleToolBar() = 0;
    virtual void ToggleStatusBar() = 0;
    virtual bool ViewToolbarChecked() const = 0;
    virtual bool ViewStatusbarChecked() const = 0;
    virtual void SetFollowFile(bool follow) = 0;
    virtual bool FollowFileChecked() const = 0;
};

// Applies the stored values to `window`. Raises ERegistryError (a
// rulv::Exception) for a value of the wrong type or one that cannot be
// read; what came before it stays applied.
void LoadSettings(TSettingsTarget& window);
// Stores the current values of `window`. Raises ERegistryError when a
// section cannot be created or a value cannot be written; what came before
// it stays written.
void SaveSettings(const TSettingsTarget& window);

}  // namespace rulv
