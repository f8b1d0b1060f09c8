// URegistry.h - window and view settings in the current user's registry.
//
// HKEY_CURRENT_USER\Software\Wuld\RulvViewer
//   Form\Height, Form\Width            outer size in pixels, decimal text
//   View\ShowToolBar, View\ShowStatusBar   "1" shown, "0" hidden
// All values REG_SZ. Read once as the first step of the main form's
// creation, written once as the whole of its destruction.
#pragma once

namespace rulv {

// Applies the stored values to frmMain. Raises ERegistryError (a
// rulv::Exception) for a value of the wrong type or one that cannot be read.
void LoadSettings();
// Stores the current values of frmMain. Raises ERegistryError when a
// section cannot be created or a value cannot be written.
void SaveSettings();

}  // namespace rulv
