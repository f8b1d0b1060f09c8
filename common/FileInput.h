// FileInput.h - reading a file the way the colour-map loader needs it.
//
// Names are std::filesystem::path, so on Windows they are UTF-16 from end
// to end and a name outside the ANSI code page opens. The Windows half opens
// with read access, sharing read access only: a file that another program
// holds open for writing cannot be opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace rulv {

// True when `name` denotes an existing file; a folder does not count.
bool FileExists(const std::filesystem::path& name) noexcept;

// A source of bytes; Read gives 0 only at the end of the data.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    // Reads up to `capacity` bytes into `buffer`; raises EInOutError.
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
};

// What a reader accepts as a file: only a file on a disk, or anything the
// system opens (a pipe, a FIFO, a device).
enum class TFileKinds { DiskFilesOnly, AnyFile };

// An open file, closed on destruction.
class TFileInput final : public TByteSource {
public:
    // Raises EInOutError (with the system's message) when it cannot open,
    // and when `kinds` asks for a file on a disk and the name is something
    // else: opening never waits for the other end of a pipe then, and
    // nothing is read from it.
    explicit TFileInput(const std::filesystem::path& name, TFileKinds kinds = TFileKinds::AnyFile);
    ~TFileInput() override;
    TFileInput(const TFileInput&) = delete;
    TFileInput& operator=(const TFileInput&) = delete;

    std::size_t Read(char* buffer, std::size_t capacity) override;
    // Closes now and raises EInOutError if closing fails.
    void Close();

private:
    std::intptr_t FHandle = -1;  // the HANDLE on Windows, the descriptor elsewhere; -1 when closed
};

// The process's standard input (a file, a pipe or a console), read to its
// end; not closed by us.
class TStandardInput final : public TByteSource {
public:
    // Raises EInOutError.
    std::size_t Read(char* buffer, std::size_t capacity) override;
};

// Bytes already in memory (tests and the fuzzer).
class TMemoryInput final : public TByteSource {
public:
    explicit TMemoryInput(std::string_view data) : FData(data) {}
    std::size_t Read(char* buffer, std::size_t capacity) override;

private:
    std::string_view FData;
};

}  // namespace rulv
