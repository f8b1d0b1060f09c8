// ConvertTest.cpp - rulvtool convert as a process, and the exchange formats
// read by check and dump: formats by extension and by name, faults in the
// compilers' form, nothing written on a failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tool/ToolProcess.h"

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

class ConvertTest : public ::testing::Test {
protected:
    TProgramRun Run(const std::vector<TNativeArgument>& arguments) const { return RunTool(arguments, FScratch.Path()); }
    TProgramRun RunWithInput(const std::vector<TNativeArgument>& arguments, std::string_view input) const {
        return RunToolWithInput(arguments, FScratch.Path(), input);
    }
    fs::path Map(std::string_view name, std::string_view bytes) const { return FScratch.Write(name, bytes); }

    TTempFolder FScratch;
};

constexpr char kViridisCpt[] = "# COLOR_MODEL = RGB\n0 68/1/84 0.5 33/145/140\n0.5 33/145/140 1 253/231/37\n";

struct TConvertCase {
    const char* Name;
    const char* InName;
    std::string InBytes;
    std::vector<std::string> Options;  // after IN and "-"
    std::string Out;
};

const TConvertCase kConversions[] = {
    {"cpt to rulv at 5 colours", "v.cpt", kViridisCpt, {"--to", "rulv", "--colours", "5"},
     "* from v.cpt, 5 colours\r\n#LINE 68,2383E-1,1,72,84,28,3\r\n#LINE 143,110,188,43,88,-51,2\r\n"},
    {"rulv to hex, reversed", "m.rulv", "#GRAD 000000,FFFFFF,2\r\n", {"--to", "hex", "--reverse"}, "#808080\n#000000\n"},
    {"gpl to csv by name", "p.gpl", "GIMP Palette\nName: p\n255 0 0 red\n0 0 255\n", {"--to", "csv"},
     "1.000000,0.000000,0.000000\n0.000000,0.000000,1.000000\n"},
    {"json to jscm, a range of the map", "m.json",
     R"([{"Name":"grey","ColorSpace":"RGB","RGBPoints":[0,0,0,0,1,1,1,1]}])", {"--to", "jscm", "--range", "0.5:1", "--colours", "3"},
     "{\"content-type\": \"application/vnd.matplotlib.colormap-v1+json\",\n \"name\": \"grey\",\n \"colorspace\": \"sRGB\",\n"
     " \"domain\": \"continuous\",\n \"colors\": \"808080bfbfbfffffff\"}\n"},
    {"text read as 0-255 with --scale", "t.txt", "1 1 1\n", {"--to", "hex", "--scale", "255"}, "#010101\n"},
    {"a .txt file named rulv by --from", "m.txt", "FF0000\r\n", {"--from", "rulv", "--to", "hex"}, "#FF0000\n"},
};

TEST_F(ConvertTest, ConvertsByExtensionAndByNameToStandardOutput) {
    for (const TConvertCase& test : kConversions) {
        std::vector<TNativeArgument> arguments{Arg("convert"), Arg(Map(test.InName, test.InBytes)), Arg("-")};
        for (const std::string& option : test.Options) arguments.push_back(Arg(option));
        const TProgramRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, 0) << test.Name << ": " << run.Err;
        EXPECT_EQ(run.Out, test.Out) << test.Name;
    }
}

TEST_F(ConvertTest, StandardInputNeedsItsFormat) {
    const TProgramRun run = RunWithInput({Arg("convert"), Arg("-"), Arg("-"), Arg("--from"), Arg("gpl"), Arg("--to"), Arg("hex")},
                                         "GIMP Palette\n1 2 3\n");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "#010203\n");
}

struct TRefusedCase {
    std::vector<std::string> Arguments;  // after "convert"; "@" is a file of the scratch folder
    int ExitCode;
    const char* Err;  // the start of standard error's first line
};

TEST_F(ConvertTest, RefusesCommandLinesAndFilesItCannotTake) {
    Map("v.cpt", kViridisCpt);
    Map("h.cpt", "# COLOR_MODEL = HSV\n0 0-1-1 1 240-1-1\n");
    Map("wrong.act", std::string(700, '\0'));
    Map("long.rulv", "#GRAD 000000,FFFFFF,300\r\n");
    Map("empty.gpl", "GIMP Palette\n");
    const TRefusedCase cases[] = {
        {{"@v.cpt"}, 2, "rulvtool: convert takes IN and OUT"},
        {{"@v.cpt", "out.bin"}, 2, "rulvtool: cannot tell the format of "},
        {{"-", "out.rulv"}, 2, "rulvtool: standard input needs --from FORMAT"},
        {{"@v.cpt", "-"}, 2, "rulvtool: standard output needs --to FORMAT"},
        {{"@v.cpt", "o.rulv", "--from", "css"}, 2, "rulvtool: css files are written, not read"},
        {{"@v.cpt", "o.rulv", "--colours", "0"}, 2, "rulvtool: --colours wants a whole number"},
        {{"@v.cpt", "o.rulv", "--range", "0.5:0.5"}, 2, "rulvtool: --range wants A:B"},
        {{"@v.cpt", "o.cpt", "--tolerance", "1"}, 2, "rulvtool: --tolerance is for .rulv output"},
        {{"@h.cpt", "o.rulv"}, 1, "h.cpt:1:3: error: COLOR_MODEL HSV is not read; only RGB tables are"},
        {{"@wrong.act", "o.rulv"}, 1, "wrong.act: an Adobe colour table has 768 or 772 bytes; this file has 700"},
        {{"@empty.gpl", "o.rulv"}, 1, "empty.gpl: no colours"},
        {{"@long.rulv", "o.act"}, 2, "o.act: an Adobe colour table holds at most 256 colours; this map has 300"},
        {{"@missing.cpt", "o.rulv"}, 2, "missing.cpt: no such file"},
    };
    for (const TRefusedCase& test : cases) {
        std::vector<TNativeArgument> arguments{Arg("convert")};
        std::string shown;
        for (const std::string& argument : test.Arguments) {
            arguments.push_back(argument.front() == '@' ? Arg(FScratch / argument.substr(1)) : Arg(FScratch / argument));
            if (argument.front() != '@' && (argument == "-" || argument.front() == '-' || argument.find('.') == std::string::npos ||
                                             argument.find(':') != std::string::npos)) {
                arguments.back() = Arg(argument);
            }
            shown += argument + " ";
        }
        const TProgramRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, test.ExitCode) << shown << ": " << run.Err;
        const std::string first = run.FirstErrLine();
        const std::string expected = test.Err;
        // File names are shown as given: compare from the file part on.
        const std::size_t at = first.find(expected.substr(0, expected.find(':')));
        EXPECT_NE(at, std::string::npos) << shown << ": " << first;
        if (at != std::string::npos) {
            EXPECT_EQ(first.substr(at, expected.size()), expected) << shown;
        }
        EXPECT_FALSE(fs::exists(FScratch / "o.rulv") || fs::exists(FScratch / "o.cpt") || fs::exists(FScratch / "o.act"))
            << shown << ": an output was written";
    }
}

TEST_F(ConvertTest, AFaultyLineIsShownWithItsCaret) {
    const fs::path map = Map("f.cpt", "# a table\n0 0/0/0 1 0/0/300\n");
    const TProgramRun run = Run({Arg("convert"), Arg(map), Arg(FScratch / "o.rulv")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, Utf8(map) + ":2:15: error: a colour channel lies between 0 and 255\n"
                                   "    2 | 0 0/0/0 1 0/0/300\n"
                                   "      |               ^\n");
}

TEST_F(ConvertTest, AnExistingOutputIsReplacedOnlyBySuccess) {
    const fs::path out = Map("o.rulv", "old\r\n");
    Map("h.cpt", "# COLOR_MODEL = HSV\n");
    EXPECT_EQ(Run({Arg("convert"), Arg(FScratch / "h.cpt"), Arg(out)}).ExitCode, 1);
    EXPECT_EQ(ReadBytes(out), "old\r\n");
    EXPECT_EQ(Run({Arg("convert"), Arg(Map("v.cpt", kViridisCpt)), Arg(out)}).ExitCode, 0);
    EXPECT_EQ(ReadBytes(out).substr(0, 27), "* from v.cpt, 256 colours\r\n");
    EXPECT_EQ(FScratch.Names(), (std::vector<std::string>{"h.cpt", "o.rulv", "v.cpt"}));
}

TEST_F(ConvertTest, RulvComesBackThroughEveryFormatThatHoldsBytes) {
    std::string rulv;
    for (int i = 0; i < 40; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%02X%02X%02X\r\n", (i * 97) % 256, (i * i) % 256, 255 - i);
        rulv += line;
    }
    const fs::path map = Map("m.rulv", rulv);
    const std::string dumped = Run({Arg("dump"), Arg(map)}).Out;
    for (const char* extension : {"rulv", "cpt", "json", "xml", "jscm", "gpl", "act", "txt", "csv"}) {
        const fs::path out = FScratch / (std::string("m2.") + extension);
        ASSERT_EQ(Run({Arg("convert"), Arg(map), Arg(out)}).ExitCode, 0) << extension;
        const TProgramRun back = Run({Arg("convert"), Arg(out), Arg("-"), Arg("--to"), Arg("hex"), Arg("--colours"), Arg("40")});
        std::string hex;
        for (std::size_t at = 0; at + 7 <= dumped.size(); at += 7) {
            hex += '#';
            hex += dumped.substr(at, 7);
        }
        EXPECT_EQ(back.Out, hex) << extension;
    }
}

TEST_F(ConvertTest, WithinAToleranceTheLargestDifferenceIsReported) {
    const TProgramRun run =
        Run({Arg("convert"), Arg(Map("v.cpt", kViridisCpt)), Arg(FScratch / "o.rulv"), Arg("--tolerance"), Arg("1.5")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err.substr(0, 31), "largest CIEDE2000 difference: 1") << run.Err;
}

// check, dump, inspect and render read the six exchange formats by their
// extension; .txt and any other name stay .rulv unless --from names them.
TEST_F(ConvertTest, OtherCommandsReadExchangeFormatsByExtensionOnly) {
    const fs::path gpl = Map("p.gpl", "GIMP Palette\n255 0 0\n0 0 255\n");
    EXPECT_EQ(Run({Arg("dump"), Arg(gpl)}).Out, "FF0000\n0000FF\n");
    EXPECT_EQ(Run({Arg("check"), Arg(Map("v.cpt", kViridisCpt))}).Out, Utf8(FScratch / "v.cpt") + ": 256 colours\n");
    const fs::path text = Map("t.txt", "FF0000\r\n");
    EXPECT_EQ(Run({Arg("dump"), Arg(text)}).Out, "FF0000\n");
    EXPECT_EQ(Run({Arg("dump"), Arg("--from"), Arg("txt"), Arg(Map("c.txt", "1 0 0\n"))}).Out, "FF0000\n");
    const TProgramRun faulty = Run({Arg("check"), Arg(Map("bad.json", "[{\"RGBPoints\":[0,0,0]}]"))});
    EXPECT_EQ(faulty.ExitCode, 1);
    EXPECT_NE(faulty.FirstErrLine().find("bad.json:1:15: error: RGBPoints holds groups of four"), std::string::npos)
        << faulty.Err;
}

}  // namespace
}  // namespace rulv::test
