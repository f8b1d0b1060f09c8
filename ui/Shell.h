// Shell.h - the shell's functions the viewer uses, from shell32 loaded the
// first time one of them is called.
//
// Loading shell32 and the libraries it brings took about 15 ms of the time
// from start to the first painted strip under Wine, and the start needs
// none of them: a window takes dropped files by its WS_EX_ACCEPTFILES
// style, which is all DragAcceptFiles sets. (SystemLibrary.h loads it.)
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace rulv::ui {

// The window becomes a drop target for files (or stops being one), as
// DragAcceptFiles makes it: by its WS_EX_ACCEPTFILES style.
void AcceptDroppedFiles(HWND window, bool accept) noexcept;

// DragQueryFileW. Raises an input-output error when shell32 cannot be
// loaded.
UINT DragQueryFile(HDROP drop, UINT index, wchar_t* name, UINT capacity);
// DragFinish; releases the drop's memory itself where shell32 cannot be
// loaded.
void DragFinish(HDROP drop) noexcept;
// ShellExecuteW; gives 0 (out of resources, as ShellExecute says it) where
// shell32 cannot be loaded.
HINSTANCE ShellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                       const wchar_t* folder, int show) noexcept;

}  // namespace rulv::ui
