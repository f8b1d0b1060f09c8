// OpenDialog.cpp - the standard open-file dialog.
#include "ui/OpenDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/SystemLibrary.h"

namespace rulv::ui {

std::wstring DialogFilter(const std::wstring& filter) {
    std::wstring result = filter;
    for (wchar_t& c : result) {
        if (c == L'|') c = L'\0';
    }
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

bool TOpenDialog::Execute(HWND owner) {
    // comdlg32 is loaded the first time the dialog is asked for, not at
    // start: it brings the shell's and the printer's libraries with it. A
    // failed lookup raises, and the next call tries again.
    using TGetOpenFileName = BOOL(WINAPI*)(OPENFILENAMEW*);
    static const auto getOpenFileName = RequiredSystemFunction<TGetOpenFileName>(L"comdlg32.dll", "GetOpenFileNameW");
    // Long enough for any name the file system allows.
    constexpr size_t kBufferLength = 32768;
    std::vector<wchar_t> buffer(kBufferLength, L'\0');
    FileName.copy(buffer.data(), std::min(FileName.size(), kBufferLength - 1));
    const std::wstring filter = DialogFilter(Filter);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!getOpenFileName(&dialog)) return false;
    FileName = buffer.data();
    return true;
}

}  // namespace rulv::ui
