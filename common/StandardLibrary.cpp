// StandardLibrary.cpp - folder test, shell launch and error message of the
// help command.
//
// Everything here uses the wide-character APIs: a program folder such as
// C:\表\ (whose code-page-932 bytes end in 0x5C) or one with characters
// outside the ANSI code page must work, and a module name is taken whole.
#include "common/StandardLibrary.h"

#include "common/SystemError.h"
#include "resources/Texts.h"
#include "ui/Application.h"
#include "ui/ErrorBox.h"
#include "ui/Shell.h"

#include <shellapi.h>

namespace rulv {

TBeepProc BeepProc = &MessageBeep;

namespace {

constexpr wchar_t kHelpDocument[] = L"RulvView.html";
constexpr int kShellFileNotFound = 2;  // SE_ERR_FNF

// The current directory, whatever its length.
std::wstring CurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) RaiseInOutError(LastSystemError());
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);  // the needed size, terminator included
    }
}

}  // namespace

bool DirExists(const std::wstring& name) {
    const std::wstring saved = CurrentDirectory();
    // The reason a folder cannot be entered is of no interest: missing and
    // inaccessible folders are both "not there" for the help command.
    const bool entered = SetCurrentDirectoryW(name.c_str()) != FALSE;
    if (!SetCurrentDirectoryW(saved.c_str())) RaiseInOutError(LastSystemError());
    return entered;
}

int ExecuteFile(const std::wstring& fileName, const std::wstring& params,
                const std::wstring& defaultDir, int showCmd) {
    // A null verb lets the shell use the document type's default action; the
    // parameters go as an empty text, never as a null pointer.
    const HINSTANCE result =
        ui::ShellExecute(ui::Application().MainFormHandle(), nullptr, fileName.c_str(),
                         params.c_str(), defaultDir.c_str(), showCmd);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

std::wstring ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) RaiseInOutError(LastSystemError());
        // A name that fills the buffer may have been cut: try a larger one.
        if (length < buffer.size()) {
            buffer.resize(length);
            return FolderPart(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void ShowHelpDocument(const std::wstring& folder) {
    if (!DirExists(folder)) {
        ErrorMessage(folder + texts::kNotFoundSuffix + texts::kHelpDocumentHint);
        return;
    }
    const int result = ExecuteFile(kHelpDocument, L"", folder, SW_SHOW);
    // Only a missing document is explained; success and every other failure
    // of the shell (no association, access denied, ...) end silently.
    if (result == kShellFileNotFound)
        ErrorMessage(std::wstring(kHelpDocument) + texts::kNotFoundSuffix + texts::kHelpDocumentHint);
}

// --- ErrorMessage ----------------------------------------------------------

void ErrorMessage(const std::wstring& message) {
    BeepProc(MB_ICONASTERISK);
    ui::TErrorBox box(texts::kErrorCaption, message);
    box.ShowModal();
}

}  // namespace rulv
