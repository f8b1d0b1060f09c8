// OpenDialog.h - the standard open-file dialog.
#pragma once

#include <windows.h>

#include <string>

namespace rulv::ui {

class TOpenDialog {
public:
    // Choices as "description|pattern|description|pattern...".
    std::wstring Filter;
    std::wstring DefaultExt;
    // Filled in when the dialog opens; the chosen name after Execute.
    std::wstring FileName;

    // Runs the dialog modally (read-only box hidden, resizable). True when
    // the user confirmed a file; FileName then holds it.
    bool Execute(HWND owner);
};

// "a|b|c|d" as the dialog takes it: "a\0b\0c\0d\0\0".
std::wstring DialogFilter(const std::wstring& filter);

}  // namespace rulv::ui
