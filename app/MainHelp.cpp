// MainHelp.cpp - the help menu's commands of the main window.
#include "app/Main.h"

#include "common/StandardLibrary.h"

// Opens RulvView.html from the folder of the executable (not the current
// directory, not the folder as typed on the command line).
void TfrmMain::HelpHelpClick() {
    rulv::ShowHelpDocument(rulv::ProgramFolder());
}

// The box's result (OK or closed) makes no difference here.
void TfrmMain::HelpAboutClick() {
    dlgAbout.ShowAboutBox();
}
