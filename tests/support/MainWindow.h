// MainWindow.h - the main window of a running program.
#pragma once

#include <windows.h>

#include <string>

namespace rulv::test {

// The visible top-level window of class `className` that process
// `processId` owns; nullptr while it has none.
HWND FindMainWindow(DWORD processId, const std::wstring& className);

}  // namespace rulv::test
