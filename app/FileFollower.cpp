// FileFollower.cpp - a file followed through the changes of its folder, and
// its folder through the changes of the folder's parent.
#include "app/FileFollower.h"

#include <cstddef>
#include <cstring>
#include <string_view>
#include <utility>

#include "common/PathParts.h"
#include "ui/Application.h"
#include "ui/Handles.h"

namespace rulv {

TFileFollower::TReadChanges TFileFollower::ReadChanges = &ReadDirectoryChangesW;

namespace {

// What the file's folder reports: names, sizes and times of its files.
constexpr DWORD kFileChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
// What the parent reports: names of its folders.
constexpr DWORD kFolderNames = FILE_NOTIFY_CHANGE_DIR_NAME;
// Room for a few hundred changes between two reads; more are reported as
// lost, which reads the file again all the same.
constexpr DWORD kBufferBytes = 16 * 1024;

bool SameName(std::wstring_view first, std::wstring_view second) noexcept {
    return CompareStringOrdinal(first.data(), static_cast<int>(first.size()), second.data(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

// The name made absolute against the current folder; unchanged when the
// system cannot make it so.
std::wstring FullName(const std::wstring& name) {
    const DWORD length = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (length == 0) return name;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(name.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return name;
    full.resize(written);
    return full;
}

std::wstring WithoutTrailingSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

// One folder's changes: the folder opened for reading its changes, one
// overlapped read of them at a time with its event, and the buffer the
// system fills. A watch that could not start, or whose folder went away,
// is no longer watching.
class TFileFollower::TFolderWatch {
public:
    TFolderWatch(const std::wstring& folder, DWORD filter, TOnChanges onChanges)
        : FFilter(filter), FOnChanges(std::move(onChanges)), FBuffer(kBufferBytes / sizeof(DWORD)) {
        // Others may rename or delete the folder while it is watched.
        FFolder = ui::TKernelHandle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                                nullptr));
        FEvent = ui::TKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!FFolder || !FEvent || !StartRead()) return;
        ui::Application().WaitOn(FEvent.Get(), [this] { Signalled(); });
        FWatching = true;
    }
    ~TFolderWatch() { Stop(); }
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    bool Watching() const noexcept { return FWatching; }

private:
    bool StartRead() noexcept {
        FOverlapped = OVERLAPPED{};
        FOverlapped.hEvent = FEvent.Get();
        ResetEvent(FEvent.Get());
        FReading = ReadChanges(FFolder.Get(), FBuffer.data(), kBufferBytes, FALSE, FFilter, nullptr, &FOverlapped,
                               nullptr) != FALSE;
        return FReading;
    }

    void Stop() noexcept {
        if (FWatching) ui::Application().StopWaitingOn(FEvent.Get());
        FWatching = false;
        if (!FReading) return;
        // The system writes into the buffer until the read is over.
        CancelIoEx(FFolder.Get(), &FOverlapped);
        DWORD ignored = 0;
        GetOverlappedResult(FFolder.Get(), &FOverlapped, &ignored, TRUE);
        FReading = false;
    }

    void Signalled() {
        DWORD bytes = 0;
        const bool read = GetOverlappedResult(FFolder.Get(), &FOverlapped, &bytes, FALSE) != FALSE;
        FReading = false;
        // No bytes: more changes than the buffer held.
        const bool lost = !read || bytes == 0;
        const std::vector<TNameChange> changes = lost ? std::vector<TNameChange>{} : Changes(bytes);
        if (!StartRead()) Stop();  // the folder is gone, or cannot be read any more
        // The owner may end this watch in its handler: nothing of it is
        // used after the call.
        const TOnChanges onChanges = FOnChanges;
        onChanges(changes, lost);
    }

    // The changes in the buffer's first `bytes` bytes.
    std::vector<TNameChange> Changes(DWORD bytes) const {
        std::vector<TNameChange> changes;
        const auto* buffer = reinterpret_cast<const std::byte*>(FBuffer.data());
        constexpr std::size_t kNameOffset = offsetof(FILE_NOTIFY_INFORMATION, FileName);
        std::size_t offset = 0;
        while (offset + kNameOffset <= bytes) {
            FILE_NOTIFY_INFORMATION info{};
            std::memcpy(&info, buffer + offset, kNameOffset);
            const std::size_t length = info.FileNameLength / sizeof(wchar_t);
            if (offset + kNameOffset + length * sizeof(wchar_t) > bytes) break;
            std::wstring name(length, L'\0');
            std::memcpy(name.data(), buffer + offset + kNameOffset, length * sizeof(wchar_t));
            changes.push_back(TNameChange{info.Action, std::move(name)});
            if (info.NextEntryOffset == 0) break;
            offset += info.NextEntryOffset;
        }
        return changes;
    }

    DWORD FFilter;
    TOnChanges FOnChanges;
    std::vector<DWORD> FBuffer;  // DWORD-aligned, as the system wants it
    ui::TKernelHandle FFolder;
    ui::TKernelHandle FEvent;
    OVERLAPPED FOverlapped{};
    bool FReading = false;
    bool FWatching = false;
};

TFileFollower::TFileFollower() = default;

TFileFollower::~TFileFollower() { Stop(); }

bool TFileFollower::Follow(const std::wstring& fileName) {
    Stop();
    const std::wstring full = FullName(fileName);
    const std::wstring folder = FolderPart(full);
    auto watch = std::make_unique<TFolderWatch>(
        folder, kFileChanges,
        [this](const std::vector<TNameChange>& changes, bool lost) { FileChanged(changes, lost); });
    if (!watch->Watching()) return false;
    FFileName = full;
    FFolder = std::move(watch);
    // The parent tells a new name of the folder; a drive's root has none,
    // and a parent that cannot be watched leaves only the folder followed.
    const std::wstring folderPath = WithoutTrailingSeparator(folder);
    FFolderName = FilePart(folderPath);
    FParentFolder = FolderPart(folderPath);
    FFolderRenamed = false;
    if (FFolderName.empty() || FParentFolder.empty()) return true;
    auto parent = std::make_unique<TFolderWatch>(
        FParentFolder, kFolderNames,
        [this](const std::vector<TNameChange>& changes, bool lost) { ParentChanged(changes, lost); });
    if (parent->Watching()) FParent = std::move(parent);
    return true;
}

void TFileFollower::Stop() noexcept {
    FParent.reset();
    FFolder.reset();
    FFileName.clear();
}

bool TFileFollower::Following() const noexcept { return FFolder && FFolder->Watching(); }

bool TFileFollower::Follows(const std::wstring& fileName) const { return SameName(FullName(fileName), FFileName); }

void TFileFollower::FileChanged(const std::vector<TNameChange>& changes, bool lost) {
    const std::wstring file = FilePart(FFileName);
    bool changed = lost;
    for (const TNameChange& change : changes) changed = changed || SameName(change.Name, file);
    if (changed && OnChange) OnChange();
}

void TFileFollower::ParentChanged(const std::vector<TNameChange>& changes, bool) {
    bool changed = false;
    for (const TNameChange& change : changes) {
        if (change.Action == FILE_ACTION_RENAMED_OLD_NAME) {
            FFolderRenamed = SameName(change.Name, FFolderName);
        } else if (change.Action == FILE_ACTION_RENAMED_NEW_NAME && FFolderRenamed) {
            // The watch of the folder goes on under its new name.
            FFolderRenamed = false;
            FFolderName = change.Name;
            FFileName = FParentFolder + FFolderName + L"\\" + FilePart(FFileName);
            changed = true;
        } else if (change.Action == FILE_ACTION_REMOVED && SameName(change.Name, FFolderName)) {
            changed = true;
        }
    }
    if (changed && OnChange) OnChange();
}

}  // namespace rulv
