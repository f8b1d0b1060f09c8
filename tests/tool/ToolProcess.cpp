// ToolProcess.cpp - where rulvtool and the tree are, and runs of the tool.
#include "tests/tool/ToolProcess.h"

#include <string>

namespace rulv::test {

namespace fs = std::filesystem;

fs::path ToolExecutable() { return TreePath(RULVTOOL_PATH); }

TProgramRun RunTool(const std::vector<TNativeArgument>& arguments, const fs::path& scratch) {
    return RunProgram(ToolExecutable(), arguments, scratch);
}

TProgramRun RunToolWithInput(const std::vector<TNativeArgument>& arguments, const fs::path& scratch,
                             std::string_view input) {
    return RunProgram(ToolExecutable(), arguments, scratch, {}, input);
}

}  // namespace rulv::test
