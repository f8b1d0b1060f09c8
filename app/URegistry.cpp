// URegistry.cpp - LoadSettings and SaveSettings: five entries of the
// program key, read and written in the order Height, Width, ShowToolBar,
// ShowStatusBar, FollowFile.
#include "app/URegistry.h"

#include <cstdint>

#include "app/RegistrySettings.h"

namespace rulv {

void LoadSettings(TSettingsTarget& window) {
    const RegistrySettings settings(kSettingsKey);
    // Zero keeps the designed size; any other number is applied unchanged.
    if (const std::int32_t height = settings.ReadInt("Form", "Height", 0); height != 0) {
        window.SetOuterHeight(height);
    }
    if (const std::int32_t width = settings.ReadInt("Form", "Width", 0); width != 0) window.SetOuterWidth(width);
    // Both bars are shown at creation: only a stored false calls the toggle.
    if (!settings.ReadFlag("View", "ShowToolBar", true)) window.ToggleToolBar();
    if (!settings.ReadFlag("View", "ShowStatusBar", true)) window.ToggleStatusBar();
    // Not followed at creation: only a stored true turns it on.
    if (settings.ReadFlag("View", "FollowFile", false)) window.SetFollowFile(true);
}

void SaveSettings(const TSettingsTarget& window) {
    RegistrySettings settings(kSettingsKey);
    settings.WriteInt("Form", "Height", window.OuterHeight());
    settings.WriteInt("Form", "Width", window.OuterWidth());
    settings.WriteFlag("View", "ShowToolBar", window.ViewToolbarChecked());
    settings.WriteFlag("View", "ShowStatusBar", window.ViewStatusbarChecked());
    settings.WriteFlag("View", "FollowFile", window.FollowFileChecked());
}

}  // namespace rulv
