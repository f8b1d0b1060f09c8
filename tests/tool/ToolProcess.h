// ToolProcess.h - runs the real rulvtool executable and captures its streams.
//
// The tests talk to the tool only as a user would: a command line in, exit
// status and the bytes of stdout and stderr out. Natively through
// posix_spawn, on Windows through CreateProcessW (so under Wine the Windows
// build is tested as it runs).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rulv::test {

// A command-line argument in the system's own form (UTF-16 on Windows).
using TNativeArgument = std::filesystem::path::string_type;

struct TToolRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;

    // stderr up to its first line end.
    std::string FirstErrLine() const;
};

// A UTF-8 text as a native argument.
TNativeArgument Arg(std::string_view utf8);
inline TNativeArgument Arg(const char* utf8) { return Arg(std::string_view(utf8)); }
inline TNativeArgument Arg(const std::string& utf8) { return Arg(std::string_view(utf8)); }
// A path as it stands.
inline TNativeArgument Arg(const std::filesystem::path& path) { return path.native(); }

// A file or folder of the source or build tree, named by its build-time
// path (a Linux path; on Windows it is reached through drive Z:).
std::filesystem::path TreePath(std::string_view buildTimePath);

// The rulvtool executable under test.
std::filesystem::path ToolExecutable();

// Runs `program` with `arguments`; stdout and stderr go through files in
// `scratch`. `environment`, when not empty, replaces the environment
// (native only). Standard input is empty, or a pipe that carries `input`.
TToolRun RunProgram(const std::filesystem::path& program, const std::vector<TNativeArgument>& arguments,
                    const std::filesystem::path& scratch, const std::vector<std::string>& environment = {},
                    std::optional<std::string_view> input = std::nullopt);

// Runs rulvtool.
TToolRun RunTool(const std::vector<TNativeArgument>& arguments, const std::filesystem::path& scratch);
// Runs rulvtool with `input` piped into its standard input.
TToolRun RunToolWithInput(const std::vector<TNativeArgument>& arguments, const std::filesystem::path& scratch,
                          std::string_view input);

// The file's bytes; an empty text when it cannot be read.
std::string ReadBytes(const std::filesystem::path& name);
void WriteBytes(const std::filesystem::path& name, std::string_view bytes);

// A fresh, empty folder in the temporary folder, removed with its contents.
class TScratchFolder {
public:
    TScratchFolder();
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // A name in the folder, from UTF-8 text.
    std::filesystem::path operator/(std::string_view utf8Name) const;
    // The names in the folder, sorted (UTF-8).
    std::vector<std::string> Names() const;

private:
    std::filesystem::path FPath;
};

// The UTF-8 text of a path, as rulvtool prints a name given to it.
std::string Utf8(const std::filesystem::path& path);

}  // namespace rulv::test
