// Process.h - starts a program as a user would: a command line in, its exit
// status and, when asked, the bytes of its stdout and stderr out. Natively
// through posix_spawn, on Windows through CreateProcessW (so that under Wine
// the Windows build runs its programs as Windows does).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rulv::test {

// A command-line argument in the system's own form (UTF-16 on Windows).
using TNativeArgument = std::filesystem::path::string_type;

// A UTF-8 text as a native argument.
TNativeArgument Arg(std::string_view utf8);
inline TNativeArgument Arg(const char* utf8) { return Arg(std::string_view(utf8)); }
inline TNativeArgument Arg(const std::string& utf8) { return Arg(std::string_view(utf8)); }
// A path as it stands.
inline TNativeArgument Arg(const std::filesystem::path& path) { return path.native(); }

// Where a started program's standard streams go.
struct TStreams {
    std::filesystem::path Out;  // standard output, into this file
    std::filesystem::path Err;  // standard error, into this file
    // Standard input: a pipe that carries this and is closed after it, or
    // nothing at all.
    std::optional<std::string_view> Input;
};

struct TStartOptions {
    std::filesystem::path Folder;          // its current folder; empty: ours
    std::vector<std::string> Environment;  // when not empty, its whole environment (native only)
    std::optional<TStreams> Streams;       // nothing: it shares ours
};

// One started program. A program still running at the end of the scope is
// ended.
class TProcess {
public:
    // Starts `program` with `arguments`, each passed on unchanged (on
    // Windows each is quoted as the C runtime's command-line parser reads it).
    TProcess(const std::filesystem::path& program, const std::vector<TNativeArgument>& arguments,
             const TStartOptions& options = {});
    ~TProcess();
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    bool Started() const noexcept { return FStarted; }
    // The system's error code when it did not start.
    int StartError() const noexcept { return FStartError; }
    std::uint32_t Id() const noexcept { return FId; }

    // Waits until the program ends; its exit code (-1 when it never started).
    int Wait();
    // Waits at most `timeout`; the exit code when it ended by then.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

private:
    bool FStarted = false;
    int FStartError = 0;
    std::uint32_t FId = 0;
    void* FHandle = nullptr;  // the process handle on Windows
    std::optional<int> FExitCode;
};

// A finished run: exit status and both output streams.
struct TProgramRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;

    // stderr up to its first line end.
    std::string FirstErrLine() const;
};

// Runs `program` with `arguments` to its end; stdout and stderr go through
// files beside `scratch` (not in it: the names in `scratch` stay the test's).
// `environment`, when not empty, replaces the environment (native only).
// Standard input is empty, or a pipe that carries `input`. Throws when the
// program cannot start.
TProgramRun RunProgram(const std::filesystem::path& program, const std::vector<TNativeArgument>& arguments,
                       const std::filesystem::path& scratch, const std::vector<std::string>& environment = {},
                       std::optional<std::string_view> input = std::nullopt);

}  // namespace rulv::test
