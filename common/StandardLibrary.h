// StandardLibrary.h - small Windows routines of the help command: the folder
// test, the shell launch and the error message (its box is the UI layer's
// TErrorBox).
#pragma once

#include <windows.h>

#include <string>

#include "common/PathParts.h"

namespace rulv {

// True when the process's current directory can be changed to `name`; the
// current directory is the one from before afterwards. Raises EInOutError
// when it cannot be restored.
bool DirExists(const std::wstring& name);

// ShellExecute with the document type's default verb; gives the shell's
// result (above 32 on success, an error number of 32 or less otherwise).
int ExecuteFile(const std::wstring& fileName, const std::wstring& params,
                const std::wstring& defaultDir, int showCmd);

// A beep (MB_ICONASTERISK), then a modal box captioned "エラー" with the
// error icon, the text wrapped to at most half the screen's width and one
// OK button, centred on the screen.
void ErrorMessage(const std::wstring& message);

// The sound ErrorMessage makes: MessageBeep unless a test puts its own
// listener here to hear it.
using TBeepProc = BOOL(WINAPI*)(UINT type);
extern TBeepProc BeepProc;

// The folder of the running program's executable, with its trailing
// backslash, from the module's whole file name (no length limit).
std::wstring ProgramFolder();

// The help command: opens "RulvView.html" in `folder` through the shell, or
// explains with ErrorMessage why not. The current directory is unchanged
// afterwards.
void ShowHelpDocument(const std::wstring& folder);

}  // namespace rulv
