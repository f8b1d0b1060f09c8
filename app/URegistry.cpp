// URegistry.cpp - LoadSettings and SaveSettings: four entries of the
// program key, read and written in the order Height, Width, ShowToolBar,
// ShowStatusBar.
#include "app/URegistry.h"

#include "app/Main.h"
#include "app/RegistrySettings.h"

namespace rulv {

void LoadSettingsInto(TSettingsTarget& target) {
    const RegistrySettings settings(kSettingsKey);
    // Zero keeps the designed size; any other number is applied unchanged.
    if (const std::int32_t height = settings.ReadInt("Form", "Height", 0); height != 0) {
        target.SetOuterHeight(height);
    }
    if (const std::int32_t width = settings.ReadInt("Form", "Width", 0); width != 0) target.SetOuterWidth(width);
    // Both bars are shown at creation: only a stored false calls the toggle.
    if (!settings.ReadFlag("View", "ShowToolBar", true)) target.ToggleToolBar();
    if (!settings.ReadFlag("View", "ShowStatusBar", true)) target.ToggleStatusBar();
}

void SaveSettingsFrom(const TSettingsTarget& target) {
    RegistrySettings settings(kSettingsKey);
    settings.WriteInt("Form", "Height", target.OuterHeight());
    settings.WriteInt("Form", "Width", target.OuterWidth());
    settings.WriteFlag("View", "ShowToolBar", target.ViewToolbarChecked());
    settings.WriteFlag("View", "ShowStatusBar", target.ViewStatusbarChecked());
}

namespace {

// The program's main window as a settings target.
class TMainFormTarget final : public TSettingsTarget {
public:
    explicit TMainFormTarget(TfrmMain& form) noexcept : FForm(form) {}
    int OuterHeight() const override { return FForm.OuterHeight(); }
    int OuterWidth() const override { return FForm.OuterWidth(); }
    void SetOuterHeight(int height) override { FForm.SetOuterHeight(height); }
    void SetOuterWidth(int width) override { FForm.SetOuterWidth(width); }
    void ToggleToolBar() override { FForm.ToggleToolBar(); }
    void ToggleStatusBar() override { FForm.ToggleStatusBar(); }
    bool ViewToolbarChecked() const override { return FForm.ViewToolbarChecked(); }
    bool ViewStatusbarChecked() const override { return FForm.ViewStatusbarChecked(); }

private:
    TfrmMain& FForm;
};

}  // namespace

// frmMain is set before its creation handler runs and cleared only after
// its destruction handler; without it there is nothing to act on.
void LoadSettings() {
    if (!frmMain) return;
    TMainFormTarget target(*frmMain);
    LoadSettingsInto(target);
}

void SaveSettings() {
    if (!frmMain) return;
    const TMainFormTarget target(*frmMain);
    SaveSettingsFrom(target);
}

}  // namespace rulv
