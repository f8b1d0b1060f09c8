// ToolProcess.h - runs the real rulvtool executable and captures its streams.
//
// The tests talk to the tool only as a user would: a command line in, exit
// status and the bytes of stdout and stderr out (tests/support/Process.h).
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/TempFolder.h"

namespace rulv::test {

// The rulvtool executable under test.
std::filesystem::path ToolExecutable();

// Runs rulvtool.
TProgramRun RunTool(const std::vector<TNativeArgument>& arguments, const std::filesystem::path& scratch);
// Runs rulvtool with `input` piped into its standard input.
TProgramRun RunToolWithInput(const std::vector<TNativeArgument>& arguments, const std::filesystem::path& scratch,
                             std::string_view input);

}  // namespace rulv::test
