// AllocationSweepTest.cpp - rulvtool when memory runs out, at every
// allocation it makes.
//
// For each map and command, rulvtool runs once to count its allocations
// and to give the right result; then once per allocation with that one
// allocation failing, and once more with it and all later ones failing.
// Every run must end as a command-line tool should: the right result, the
// line that was being read reported as faulty for lack of memory, or exit
// status 2 with a message about memory. Never an abort, a signal or a wrong
// success.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/TempFolder.h"

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

fs::path FailingTool() { return fs::path(RULVTOOL_FAILING_PATH); }

struct TRun {
    TProgramRun Process;
    std::string Picture;  // what render wrote
};

class AllocationSweep : public ::testing::Test {
protected:
    // Runs the tool with `failure` in RULV_FAIL_ALLOCATION ("" for none).
    TRun Run(const std::vector<TNativeArgument>& arguments, const std::string& failure,
             const fs::path& countFile = {}) const {
        std::vector<std::string> environment{"LC_ALL=C"};
        if (!failure.empty()) environment.push_back("RULV_FAIL_ALLOCATION=" + failure);
        if (!countFile.empty()) environment.push_back("RULV_ALLOCATION_COUNT=" + countFile.string());
        std::error_code ignored;
        fs::remove(Picture(), ignored);
        TRun run{RunProgram(FailingTool(), arguments, FFolder.Path(), environment), {}};
        run.Picture = ReadBytes(Picture());
        return run;
    }
    fs::path Picture() const { return FFolder.Path() / "strip.png"; }

    TTempFolder FFolder;
};

bool MentionsMemory(const std::string& text) {
    return text.find("memory") != std::string::npos || text.find("Memory") != std::string::npos;
}

TEST_F(AllocationSweep, EveryAllocationOfCheckDumpAndRenderMayFail) {
    std::string lines;
    for (int i = 0; i < 2000; ++i) lines += std::to_string(100000 + i * 37).substr(0, 6) + " colour\r\n";
    const struct {
        const char* name;
        std::string data;
    } maps[] = {
        {"lines.rulv", lines},
        {"gradient.rulv", "* a long gradient\r\n#GRAD 000000,FFFFFF,100000\r\n"},
        {"faulty.rulv", "FF0000\r\n#LINE 0,1,0,1,0,1,300\r\n\r\nGG0000\r\n00FF00\r\n"},
        {"long-line.rulv", "00FF00" + std::string(200'000, ' ') + "\r\n#GRAD 000000,FFFFFF,10\r\n"},
    };
    std::size_t runs = 0;
    for (const auto& map : maps) {
        const fs::path file = FFolder.Path() / map.name;
        WriteBytes(file, map.data);
        const std::vector<std::vector<TNativeArgument>> commands = {
            {Arg("check"), Arg(file)},
            {Arg("dump"), Arg(file)},
            {Arg("render"), Arg(file), Arg("-o"), Arg(Picture()), Arg("--size"), Arg("16x4")},
        };
        for (const auto& command : commands) {
            const std::string what = std::string(map.name) + " " + Utf8(fs::path(command[0]));
            const fs::path countFile = FFolder.Path() / "count.txt";
            const TRun reference = Run(command, "", countFile);
            ASSERT_TRUE(reference.Process.ExitCode == 0 || reference.Process.ExitCode == 1) << what;
            const std::string count = ReadBytes(countFile);
            const long long allocations = count.empty() ? 0 : std::stoll(count);
            ASSERT_GT(allocations, 0) << what << ": nothing was counted";
            for (long long n = 1; n <= allocations; ++n) {
                for (const char* mode : {"", "+"}) {
                    const std::string failure = std::to_string(n) + mode;
                    const TRun run = Run(command, failure);
                    ++runs;
                    std::string where = what;
                    where += " with allocation " + failure + " failing";
                    const int code = run.Process.ExitCode;
                    ASSERT_TRUE(code == 0 || code == 1 || code == 2) << where << ": exit " << code << "\n" << run.Process.Err;
                    if (code == reference.Process.ExitCode && code != 2 && !MentionsMemory(run.Process.Err)) {
                        // The result after all: exactly the right one.
                        EXPECT_EQ(run.Process.Out, reference.Process.Out) << where;
                        EXPECT_EQ(run.Process.Err, reference.Process.Err) << where;
                        EXPECT_EQ(run.Picture, reference.Picture) << where;
                    } else if (code == 1) {
                        // The line being read when memory ran out is faulty.
                        EXPECT_NE(run.Process.Err.find(": error: out of memory"), std::string::npos)
                            << where << "\n" << run.Process.Err;
                        EXPECT_EQ(run.Process.Out, "") << where;
                    } else {
                        ASSERT_EQ(code, 2) << where << "\n" << run.Process.Err;
                        EXPECT_TRUE(MentionsMemory(run.Process.Err)) << where << "\n" << run.Process.Err;
                    }
                    if (code != 0) {
                        EXPECT_EQ(run.Picture, "") << where << ": a picture after a failure";
                    }
                }
            }
        }
    }
    RecordProperty("runs", static_cast<int>(runs));
}

}  // namespace
}  // namespace rulv::test
