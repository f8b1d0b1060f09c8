// FileFollower.h - notices when the file the window shows changes on disk:
// written, replaced (a save that writes another file and renames it over
// this one), deleted or made again, also after its folder was renamed.
//
// It watches the file's folder for changes of names, sizes and times, and
// the folder's parent for a new name of the folder (ReadDirectoryChangesW
// on both). A watch holds its folder open and follows it under a new name;
// the parent's watch tells that name. The waits are handles that the
// application's message loop waits on besides messages (Application().
// WaitOn), so that all of it runs on the GUI thread, between messages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rulv {

class TFileFollower {
public:
    TFileFollower();
    ~TFileFollower();
    TFileFollower(const TFileFollower&) = delete;
    TFileFollower& operator=(const TFileFollower&) = delete;

    // Follows `fileName` (made absolute against the current folder) in
    // place of any file followed before. False when its folder cannot be
    // watched (a network drive that gives no change notifications, a
    // folder that is gone): then nothing is followed.
    bool Follow(const std::wstring& fileName);
    void Stop() noexcept;
    // True while the folder's watch goes on; it ends when the folder is
    // removed.
    bool Following() const noexcept;
    // The full name followed (empty after Stop); after a rename of its
    // folder, the name in the folder's new place.
    const std::wstring& FileName() const noexcept { return FFileName; }
    // Whether `fileName` names the file followed (made absolute, without
    // regard to case).
    bool Follows(const std::wstring& fileName) const;

    // Runs after each change of the followed file and after its folder
    // was renamed or removed; several changes may come as one.
    std::function<void()> OnChange;

    // The call that starts each read of a folder's changes; a test stands
    // in for a folder that cannot be watched.
    using TReadChanges = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, BOOL, DWORD, LPDWORD, LPOVERLAPPED,
                                       LPOVERLAPPED_COMPLETION_ROUTINE);
    static TReadChanges ReadChanges;

    // One change a folder's watch reports: FILE_ACTION_ADDED and the rest,
    // and the name in the folder.
    struct TNameChange {
        DWORD Action;
        std::wstring Name;
    };
    // What a watch reports: the changes, or `lost` set when there were more
    // than its buffer held (or the read failed) and any name may have changed.
    using TOnChanges = std::function<void(const std::vector<TNameChange>& changes, bool lost)>;

private:
    class TFolderWatch;

    void FileChanged(const std::vector<TNameChange>& changes, bool lost);
    void ParentChanged(const std::vector<TNameChange>& changes, bool lost);

    std::wstring FFileName;
    std::wstring FParentFolder;  // the folder's parent, with its trailing "\"
    std::wstring FFolderName;    // the name of the file's folder in its parent
    bool FFolderRenamed = false;  // the parent reported the folder's old name; the new one follows
    std::unique_ptr<TFolderWatch> FFolder;
    std::unique_ptr<TFolderWatch> FParent;
};

}  // namespace rulv
