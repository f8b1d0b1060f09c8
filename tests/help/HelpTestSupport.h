// HelpTestSupport.h - folders, files, the .html association and the beep
// listener shared by the help and about tests.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "common/StandardLibrary.h"
#include "tests/support/SeamGuard.h"

namespace rulv::test {

// The beeps ErrorMessage made while the listener was installed.
struct TBeepLog {
    static inline std::atomic<long> Count{0};
    static inline std::atomic<UINT> LastType{0};
    static BOOL WINAPI Listen(UINT type) noexcept;
};

// Installs the listener in BeepProc for its lifetime and counts from zero.
class TBeepListener {
public:
    TBeepListener();

private:
    TSeamGuard<TBeepProc> FSeam;
};

std::wstring CurrentDirectory();
std::wstring TestProgramFolder();        // with its trailing backslash
std::wstring MakeFolder(const std::wstring& path);  // gives it with a trailing "\"
void WriteTextFile(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// HKCU\Software\Classes\.html -> progId; the progId's open command is
// `command`, or none at all when `command` is empty.
void RegisterHtml(const std::wstring& progId, const std::wstring& command);

// The lines written by help_recorder, once its record file exists.
std::vector<std::wstring> WaitForRecord(const std::wstring& recordFile);

// The document the recorder was given: its argument, resolved against its
// current directory when relative (Wine hands a relative name on as it is).
std::wstring RecordedDocument(const std::vector<std::wstring>& record);

// Case-insensitive comparison of two paths, trailing backslashes ignored.
bool SamePath(std::wstring a, std::wstring b);

}  // namespace rulv::test
