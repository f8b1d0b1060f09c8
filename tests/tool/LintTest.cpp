// LintTest.cpp - rulvtool lint, run as a separate process: each rule fails
// on a map made to break it and passes on one made to keep it, the options
// change its numbers, and the exit status is the worst of all files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tool/ToolProcess.h"

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

// Every occurrence of {FILE} in `text` replaced by `name`.
std::string WithName(std::string text, const std::string& name) {
    for (std::size_t at; (at = text.find("{FILE}")) != std::string::npos;) text.replace(at, 6, name);
    return text;
}

class LintTest : public ::testing::Test {
protected:
    TProgramRun Lint(const std::vector<TNativeArgument>& files, const std::vector<std::string>& options) const {
        std::vector<TNativeArgument> arguments{Arg("lint")};
        arguments.insert(arguments.end(), files.begin(), files.end());
        for (const std::string& option : options) arguments.push_back(Arg(option));
        return RunTool(arguments, FScratch.Path());
    }

    TTempFolder FScratch;
};

constexpr const char* kSequential = "(a sequential map's L* rises or falls throughout)";
constexpr const char* kDiverging = "(a diverging map's L* turns once, within the middle fifth)";

TEST_F(LintTest, EachRuleFailsOnAMapThatBreaksIt) {
    const std::string turns = std::string(" ") + kDiverging + "\n";
    struct {
        const char* name;
        const char* data;
        std::vector<std::string> options;
        std::string expected;  // standard output; empty: the map passes
    } const cases[] = {
        // 1: a grey ramp up to C0C0C0 (L* 77.70), then down to 808080.
        {"1 breaks", "#GRAD 000000,C0C0C0,12\r\n#GRAD C0C0C0,808080,4\r\n808080\r\n", {},
         std::string("{FILE}:13: warning: lightness falls from 77.70 to 53.59 ") + kSequential + "\n"},
        {"1 keeps", "#GRAD 000000,FFFFFF,16\r\nFFFFFF\r\n", {}, ""},
        // One less blue in mid grey: 0.03 L* darker, under the tolerance.
        {"1 keeps a fall under the tolerance", "000000\r\n808080\r\n80807F\r\nFFFFFF\r\n", {}, ""},
        {"1 breaks without a tolerance", "000000\r\n808080\r\n80807F\r\nFFFFFF\r\n", {"--lightness-tolerance", "0"},
         std::string("{FILE}:2: warning: lightness falls from 53.59 to 53.56 ") + kSequential + "\n"},
        {"1 breaks when L* stays", "808080\r\n80807F\r\n", {},
         std::string("{FILE}: warning: lightness stays between 53.56 and 53.59 ") + kSequential + "\n"},
        // 2: dark greys, then a jump to light ones.
        {"2 breaks", "#GRAD 000000,404040,12\r\n#GRAD C0C0C0,FFFFFF,12\r\nFFFFFF\r\n", {},
         "{FILE}:12: warning: step of 52.55 from the colour before is 41.96 times the median step 1.25 (a "
         "sequential map's steps are at most 4.00 times the median)\n"},
        {"2 keeps a larger ratio", "#GRAD 000000,404040,12\r\n#GRAD C0C0C0,FFFFFF,12\r\nFFFFFF\r\n",
         {"--max-ratio", "50"}, ""},
        // 3: blue to white to red turns at 10 of 0..20, in the middle fifth 8..12.
        {"3 keeps", "#GRAD 0000FF,FFFFFF,10\r\n#GRAD FFFFFF,FF0000,10\r\nFF0000\r\n", {"--kind", "diverging"}, ""},
        {"3 keeps a dark middle", "#GRAD FFFFFF,000000,10\r\n#GRAD 000000,FFFFFF,10\r\nFFFFFF\r\n",
         {"--kind", "diverging"}, ""},
        {"3 breaks off the middle", "#GRAD 0000FF,FFFFFF,4\r\n#GRAD FFFFFF,FF0000,16\r\nFF0000\r\n",
         {"--kind", "diverging"}, "{FILE}:4: warning: lightness turns at 4, outside the middle fifth 8 to 12" + turns},
        {"3 breaks by turning again",
         "#GRAD 000000,FFFFFF,10\r\n#GRAD FFFFFF,404040,5\r\n#GRAD 404040,FFFFFF,5\r\nFFFFFF\r\n",
         {"--kind", "diverging"}, "{FILE}:16: warning: lightness turns again: it rises from 27.09 to 100.00" + turns},
        {"3 breaks without a turn", "#GRAD 000000,FFFFFF,16\r\nFFFFFF\r\n", {"--kind", "diverging"},
         "{FILE}: warning: lightness does not turn" + turns},
        // 4 and 5: round the hue circle, closed or not, evenly or not.
        {"4 and 5 keep", "#GRAD FF0000,00FF00,8\r\n#GRAD 00FF00,0000FF,8\r\n#GRAD 0000FF,FF0000,8\r\nFF0000\r\n",
         {"--kind", "cyclic"}, ""},
        {"4 breaks", "#GRAD FF0000,00FF00,8\r\n#GRAD 00FF00,0000FF,8\r\n0000FF\r\n", {"--kind", "cyclic"},
         "{FILE}: warning: first and last colour are 52.88 apart (a cyclic map's ends meet: at most 2.00)\n"},
        {"5 breaks", "#GRAD FF0000,00FF00,16\r\n#GRAD 00FF00,0000FF,16\r\n0000FF\r\nFF0000\r\n", {"--kind", "cyclic"},
         "{FILE}:33: warning: step of 52.88 from the colour before is 10.68 times the median step 4.95 (a cyclic "
         "map's steps are at most 4.00 times the median)\n"},
        {"5 keeps a larger ratio", "#GRAD FF0000,00FF00,16\r\n#GRAD 00FF00,0000FF,16\r\n0000FF\r\nFF0000\r\n",
         {"--kind", "cyclic", "--max-ratio", "12"}, ""},
        // 6: red and ochre, far apart but not for deuteranopia.
        {"6 keeps", "000000\r\nFFFFFF\r\n0000FF\r\nFFFF00\r\n", {"--kind", "categorical"}, ""},
        {"6 breaks", "FF0000\r\nBE7D00\r\nFFFFFF\r\n", {"--kind", "categorical"},
         "{FILE}:1: warning: colours 0 and 1 are 0.42 apart in the deutan view (a categorical map's neighbours are "
         "at least 10.00 apart in every view)\n"},
        {"6 keeps a smaller step", "FF0000\r\nBE7D00\r\nFFFFFF\r\n", {"--kind", "categorical", "--min-step", "0.4"},
         ""},
    };
    for (const auto& test : cases) {
        const fs::path map = FScratch.Write("map.rulv", test.data);
        const TProgramRun run = Lint({Arg(map)}, test.options);
        EXPECT_EQ(run.Out, WithName(test.expected, Utf8(map))) << test.name;
        EXPECT_EQ(run.ExitCode, test.expected.empty() ? 0 : 1) << test.name;
        EXPECT_EQ(run.Err, "") << test.name;
    }
}

// Several files: each is reported as check reports it, and the exit status
// is the worst.
TEST_F(LintTest, TheWorstFileGivesTheExitStatus) {
    const fs::path good = FScratch.Write("good.rulv", "000000\r\nFFFFFF\r\n");
    const fs::path bad = FScratch.Write("bad.rulv", "FFFFFF\r\n000000\r\nFFFFFF\r\n");
    const fs::path faulty = FScratch.Write("faulty.rulv", "FF0000\r\nFF00\r\n");
    const fs::path missing = FScratch / "missing.rulv";
    const std::string badLine = Utf8(bad) + ":2: warning: lightness rises from 0.00 to 100.00 " + kSequential + "\n";
    struct {
        std::vector<fs::path> files;
        int exitCode;
        std::string out;
    } const cases[] = {
        {{good}, 0, ""},
        {{good, bad}, 1, badLine},
        {{bad, faulty}, 1, badLine},
        {{missing, bad, good}, 2, badLine},
    };
    for (const auto& test : cases) {
        std::vector<TNativeArgument> files;
        std::string err;
        for (const fs::path& file : test.files) {
            files.push_back(Arg(file));
            if (file == faulty || file == missing) err += RunTool({Arg("check"), Arg(file)}, FScratch.Path()).Err;
        }
        const TProgramRun run = Lint(files, {});
        EXPECT_EQ(run.ExitCode, test.exitCode) << run.Err;
        EXPECT_EQ(run.Out, test.out);
        EXPECT_EQ(run.Err, err);
    }
}

TEST_F(LintTest, BadCommandLinesGiveUsageAndExitTwo) {
    const fs::path map = FScratch.Write("map.rulv", "000000\r\nFFFFFF\r\n");
    const std::vector<std::string> cases[] = {
        {},
        {"--kind"},
        {"--kind", "Sequential"},
        {"--kind", "qualitative"},
        {"--max-ratio", "0"},
        {"--max-ratio", "-4"},
        {"--min-step", "ten"},
        {"--lightness-tolerance", "-1"},
        {"--format", "json"},
    };
    for (const std::vector<std::string>& options : cases) {
        const TProgramRun run = Lint(options.empty() ? std::vector<TNativeArgument>{} : std::vector{Arg(map)}, options);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_EQ(run.Out, "");
        EXPECT_NE(run.Err.find("\nusage: rulvtool "), std::string::npos) << run.Err;
    }
    // The help names every rule by its number.
    const std::string help = RunTool({Arg("--help")}, FScratch.Path()).Out;
    for (const char* rule : {"sequential   1", "  2  no step", "diverging    3", "cyclic       4", "  5  no step",
                             "categorical  6"}) {
        EXPECT_NE(help.find(rule), std::string::npos) << rule;
    }
}

}  // namespace
}  // namespace rulv::test
