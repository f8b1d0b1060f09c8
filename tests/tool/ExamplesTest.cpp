// ExamplesTest.cpp - the example maps load, and both builds list the very
// same bytes for them (each build compares with the same expected files).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tool/ToolProcess.h"

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

const char* const kExamples[] = {"greyscale", "rainbow", "fire", "relief256", "aurora"};

fs::path Example(const std::string& name) { return TreePath(RULV_EXAMPLES_DIR) / (name + ".rulv"); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::string Hex(unsigned red, unsigned green, unsigned blue) {
    char text[8];
    std::snprintf(text, sizeof(text), "%02X%02X%02X", red, green, blue);
    return text;
}

class ExamplesTest : public ::testing::Test {
protected:
    std::string Dump(const std::string& name) {
        const TProgramRun run = RunTool({Arg("dump"), Arg(Example(name))}, FScratch.Path());
        EXPECT_EQ(run.ExitCode, 0) << name << ": " << run.Err;
        EXPECT_EQ(run.Err, "");
        return run.Out;
    }
    TTempFolder FScratch;
};

TEST_F(ExamplesTest, EveryExampleDumpsTheExpectedBytes) {
    for (const char* name : kExamples) {
        const std::string expected = ReadBytes(TreePath(RULV_EXPECTED_DIR) / (std::string(name) + ".dump"));
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(Dump(name), expected) << name;
    }
}

TEST_F(ExamplesTest, ExamplesUseCarriageReturnLineEnds) {
    for (const char* name : kExamples) {
        const std::string bytes = ReadBytes(Example(name));
        ASSERT_FALSE(bytes.empty()) << name;
        std::size_t lineFeeds = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != '\n') continue;
            ++lineFeeds;
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << name << ": a line feed alone at byte " << i;
        }
        EXPECT_GT(lineFeeds, 2u) << name;
    }
}

TEST_F(ExamplesTest, GreyscaleRunsThroughAll256Greys) {
    const std::vector<std::string> lines = Lines(Dump("greyscale"));
    ASSERT_EQ(lines.size(), 256u);
    for (unsigned i = 0; i < 256; ++i) EXPECT_EQ(lines[i], Hex(i, i, i)) << i;
}

TEST_F(ExamplesTest, RainbowMeetsEveryPrimaryAndSecondaryColor) {
    const std::vector<std::string> lines = Lines(Dump("rainbow"));
    ASSERT_EQ(lines.size(), 240u);
    const char* const sixths[] = {"FF0000", "FFFF00", "00FF00", "00FFFF", "0000FF", "FF00FF"};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(lines[i * 40], sixths[i]) << i;
}

TEST_F(ExamplesTest, Relief256ListsItsColorLinesInOrder) {
    // Every colour is written out: the dump is the colour lines' first six
    // characters, comment lines left out.
    std::string bytes = ReadBytes(Example("relief256"));
    std::vector<std::string> written;
    for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.front() != '*') written.push_back(line.substr(0, 6));
    }
    ASSERT_EQ(written.size(), 256u);
    EXPECT_EQ(Lines(Dump("relief256")), written);
}

TEST_F(ExamplesTest, CheckCountsEveryExample) {
    std::vector<TNativeArgument> arguments{Arg("check")};
    for (const char* name : kExamples) arguments.push_back(Arg(Example(name)));
    const TProgramRun run = RunTool(arguments, FScratch.Path());
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    const std::vector<std::string> lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), std::size(kExamples));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t count = Lines(Dump(kExamples[i])).size();
        EXPECT_EQ(lines[i], Utf8(Example(kExamples[i])) + ": " + std::to_string(count) + " colours");
    }
}

}  // namespace
}  // namespace rulv::test
