// RemoteWindow.h - what another program's windows show, read from outside
// as a person sees it: their places on the screen, the texts of their
// status panels, their pixels, their boxes and their icons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rulv::test {

// The child windows of `parent` of class `className`, left to right.
std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className);

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// The text of a status bar's panel, read through the other program's
// memory (the status bar's message carries a pointer).
std::wstring StatusPanelText(HWND statusBar, int panel);

// The visible dialog or message box (#32770) of `processId` whose text
// holds `text`, or the first visible one for an empty text; nullptr for
// none.
HWND FindBox(DWORD processId, const std::wstring& text = {});

// The visible popup menus (#32768) of `processId`: a menu and the submenus
// open from it.
std::vector<HWND> FindPopupMenus(DWORD processId);

// The visible tooltip of the program that owns `control`, shown under the
// control (where a tooltip comes up when the pointer rests on it), or
// nullptr.
HWND FindToolTipUnder(HWND control);

// The colours of the screen in `rect` (screen coordinates), row by row.
std::vector<COLORREF> ScreenPixels(const RECT& rect);

// The pixels of `icon` drawn at its own size on white, row by row, with
// that size (an icon of this process).
std::vector<COLORREF> IconPixels(HICON icon, SIZE& size);

// Whether the screen shows `image` (size by size pixels, row by row, white
// standing for "any colour": the icon's transparent ground) somewhere
// inside `area`.
bool ScreenShows(const RECT& area, const std::vector<COLORREF>& image, int size);

}  // namespace rulv::test
