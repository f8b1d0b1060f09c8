// DiagnosticTest.cpp - rulvtool's reports of faulty lines: the three lines
// editors read, standard input, long lines and text in other code pages.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "tests/tool/ToolProcess.h"
#include "tool/Diagnostic.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rulv::test {
namespace {

namespace fs = std::filesystem;
using tool::ShowLine;
using tool::TShownLine;

class Diagnostic : public ::testing::Test {
protected:
    fs::path Map(std::string_view bytes) const {
        return FScratch.Write("map.rulv", bytes);
    }
    TProgramRun Check(std::string_view bytes) const {
        return RunTool({Arg("check"), Arg(Map(bytes))}, FScratch.Path());
    }

    TTempFolder FScratch;
};

// The caret line's column of "^" (after the gutter " ....  | ").
std::size_t CaretIndex(const std::string& caretLine) { return caretLine.find('^') - (caretLine.find('|') + 2); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

TEST_F(Diagnostic, AFaultyLineIsReportedAsCompilersReportErrors) {
    const struct {
        const char* data;
        const char* report;  // after the file name
    } rows[] = {
        {"000000\r\n#GRAD 000000,FFFFFF,0\r\n",
         ":2:21: error: gradient count is 0; a gradient needs at least one colour\n"
         "    2 | #GRAD 000000,FFFFFF,0\n"
         "      |                     ^\n"},
        {"GG0000 red\r\n",
         ":1:1: error: 'G' is not a hex digit; a colour line starts with six hex digits RRGGBB\n"
         "    1 | GG0000 red\n"
         "      | ^\n"},
        {"* blue\r\n#LINE 0,1,0,1,0,1\r\n",
         ":2:18: error: expected a comma and the count after the blue slope; the line ends here\n"
         "    2 | #LINE 0,1,0,1,0,1\n"
         "      |                  ^\n"},
        {"#GRAD\t000000,FFFFFF,10\r\n",
         ":1:6: error: #GRAD must be followed by one blank, not a tab\n"
         "    1 | #GRAD 000000,FFFFFF,10\n"
         "      |      ^\n"},
        {"#GRAD\x1b[31m\r\n",
         ":1:6: error: #GRAD must be followed by one blank, not byte 0x1B\n"
         "    1 | #GRAD<1B>[31m\n"
         "      |      ^\n"},
        {"#LINE 0,0.5x,0,0,0,0,10\r\n",
         ":1:12: error: 'x' cannot stand in the red slope; it is a number such as -0.5 or 1E-3\n"
         "    1 | #LINE 0,0.5x,0,0,0,0,10\n"
         "      |            ^\n"},
    };
    for (const auto& row : rows) {
        const TProgramRun run = Check(row.data);
        EXPECT_EQ(run.ExitCode, 1) << row.data;
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, Utf8(FScratch / "map.rulv") + row.report);
    }
}

TEST_F(Diagnostic, WideLineNumbersWidenTheGutter) {
    std::string data;
    for (int i = 1; i < 12345; ++i) data += "* comment\r\n";
    data += "FF00\r\n";
    const TProgramRun run = Check(data);
    EXPECT_EQ(run.ExitCode, 1);
    const std::vector<std::string> lines = Lines(run.Err);
    ASSERT_EQ(lines.size(), 3u) << run.Err;
    EXPECT_EQ(lines[0].rfind(Utf8(FScratch / "map.rulv") + ":12345:5: error: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], " 12345 | FF00");
    EXPECT_EQ(lines[2], "       |     ^");
}

TEST_F(Diagnostic, AMapWithoutColorsSaysWhatItsLinesWere) {
    const struct {
        const char* data;
        const char* report;
    } rows[] = {
        {"", ": no colour lines; the file is empty\n"},
        {"* one\r\n\r\n#NOTE\r\n", ": no colour lines; 3 lines were empty, comments or ignored directives\n"},
        {"* one\r\n", ": no colour lines; 1 line was empty, comments or ignored directives\n"},
        {"* a\r\n#GRAD 000000,FFFFFF,-1\r\n",
         ": no colours; 1 line was empty, comments or ignored directives; 1 #GRAD or #LINE run gives no colour "
         "(a count below 1)\n"},
    };
    for (const auto& row : rows) {
        const TProgramRun run = Check(row.data);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err, Utf8(FScratch / "map.rulv") + row.report);
    }
}

TEST_F(Diagnostic, StandardInputIsAFileNamedStdin) {
    const TProgramRun good = RunToolWithInput({Arg("check"), Arg("-")}, FScratch.Path(), "FF0000\r\n00FF00\r\n");
    EXPECT_EQ(good.ExitCode, 0) << good.Err;
    EXPECT_EQ(good.Out, "<stdin>: 2 colours\n");
    const TProgramRun faulty = RunToolWithInput({Arg("check"), Arg("-")}, FScratch.Path(), "FF0000\r\nGG\r\n");
    EXPECT_EQ(faulty.ExitCode, 1);
    EXPECT_EQ(faulty.Err, "<stdin>:2:1: error: 'G' is not a hex digit; a colour line starts with six hex digits "
                          "RRGGBB\n    2 | GG\n      | ^\n");
    // Larger than a pipe holds at once.
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "123456\r\n";
    const TProgramRun big = RunToolWithInput({Arg("dump"), Arg("-")}, FScratch.Path(), many);
    EXPECT_EQ(big.ExitCode, 0) << big.Err;
    EXPECT_EQ(big.Out.size(), 700000u);
}

TEST_F(Diagnostic, ALongLineIsCutAroundItsColumn) {
    const std::string digits(200, '1');
    const struct {
        std::string line;
        std::int64_t column;
        bool cutBefore;
        bool cutAfter;
    } rows[] = {
        {"#LINE 0," + digits + "x,0,0,0,0,1", 209, true, false},
        {"#LINE 0," + digits + "x,0,0,0,0,1" + std::string(300, ' ') + "* a comment", 209, true, true},
        {"#LINE 0,1x," + digits + ",0,0,0,1", 10, false, true},
    };
    for (const auto& row : rows) {
        const TProgramRun run = Check(row.line + "\r\n");
        EXPECT_EQ(run.ExitCode, 1);
        const std::vector<std::string> lines = Lines(run.Err);
        ASSERT_EQ(lines.size(), 3u) << run.Err;
        EXPECT_NE(lines[0].find(":1:" + std::to_string(row.column) + ": error: "), std::string::npos) << lines[0];
        const std::string shown = lines[1].substr(lines[1].find('|') + 2);
        EXPECT_LE(shown.size(), 110u) << shown;
        EXPECT_EQ(shown.rfind("...", 0) == 0, row.cutBefore) << shown;
        EXPECT_EQ(shown.size() >= 3 && shown.substr(shown.size() - 3) == "...", row.cutAfter) << shown;
        EXPECT_EQ(shown[CaretIndex(lines[2])], 'x') << shown << "\n" << lines[2];
    }
}

TEST(ShowLine, ControlCharactersAndForeignBytesAreShownSafely) {
    const auto utf8 = tool::Utf8CodePage();
    const struct {
        std::string line;
        bool cut;
        std::int64_t column;
        const char* text;
        int caret;
    } rows[] = {
        {"GG0000", false, 1, "GG0000", 0},
        {"\tFF0000", false, 1, " FF0000", 0},
        {"#GRAD\r\x7f", false, 6, "#GRAD<0D><7F>", 5},
        {"12345\x82\xa0", false, 6, "12345<82><A0>", 5},
        // UTF-8 text before the end: a wide character fills two columns.
        {"#LINE 0,1,0,1,0,1 \xe6\x97\xa5\xe6\x9c\xac", false, 25, "#LINE 0,1,0,1,0,1 \xe6\x97\xa5\xe6\x9c\xac", 22},
        // A column inside a character puts the caret under its start.
        {"\xe6\x97\xa5X", false, 2, "\xe6\x97\xa5X", 0},
        {"#GRAD 000000,FFFFFF,10", true, 23, "#GRAD 000000,FFFFFF,10...", 22},
        {"\xc3\x28", false, 1, "<C3>(", 0},
        {"\xc2\x85", false, 1, "<C2><85>", 0},
    };
    for (const auto& row : rows) {
        const TShownLine shown = ShowLine(row.line, row.cut, row.column, *utf8);
        EXPECT_EQ(shown.Text, row.text) << row.line;
        EXPECT_EQ(shown.Caret, row.caret) << row.line;
    }
}

// Under a Japanese code page (Windows) the bytes of code page 932 are text:
// shown as they are, each byte one console column, so the caret stays under
// the character at the fault's byte column. Natively the console takes
// UTF-8: those bytes are no text there and show as <XX>, each four columns,
// with the caret after them.
TEST_F(Diagnostic, CodePage932TextBeforeTheFaultKeepsTheCaretInPlace) {
#ifdef _WIN32
    if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932";
    const std::string shownText = "#LINE 0,1,0,1,0,1 \xe6\x97\xa5\xe6\x9c\xac";
    const std::size_t caretColumn = 22;
#else
    const std::string shownText = "#LINE 0,1,0,1,0,1 <93><FA><96>{";
    const std::size_t caretColumn = 31;
#endif
    const TProgramRun run = Check("#LINE 0,1,0,1,0,1 \x93\xfa\x96\x7b\r\n");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, Utf8(FScratch / "map.rulv") +
                           ":1:23: error: expected a comma and the count after the blue slope; the line ends here\n"
                           "    1 | " + shownText + "\n"
                           "      | " + std::string(caretColumn, ' ') + "^\n");
#ifdef _WIN32
    const auto sjis = tool::CodePageNumbered(932);
    const TShownLine shown = ShowLine("\x93\xfa\x96\x7bX\x80", false, 5, *sjis);
    EXPECT_EQ(shown.Text, "\xe6\x97\xa5\xe6\x9c\xacX<80>");
    EXPECT_EQ(shown.Caret, 4);
#endif
}

TEST(FaultKinds, EveryExampleOfTheHelpShowsItsKind) {
    for (const tool::TFaultExample& example : tool::FaultExamples()) {
        TPalette palette('.');
        try {
            palette.ParseLine(example.Line);
            ADD_FAILURE() << example.Line << " is accepted";
        } catch (const ELineFault& fault) {
            EXPECT_EQ(fault.Fault().Kind, example.Kind) << example.Line;
        }
    }
    const std::string help = tool::FaultKindsHelp();
    for (const TLineFaultKind kind :
         {TLineFaultKind::NotAColor, TLineFaultKind::NoSpaceAfterKeyword, TLineFaultKind::BadColorField,
          TLineFaultKind::MissingComma, TLineFaultKind::BadInteger, TLineFaultKind::BadSlope,
          TLineFaultKind::SlopeTooLarge, TLineFaultKind::GradientCountZero, TLineFaultKind::ProductTooLarge,
          TLineFaultKind::OutOfMemory, TLineFaultKind::TooManyColors}) {
        EXPECT_NE(help.find("  " + std::string(LineFaultKindName(kind)) + " "), std::string::npos)
            << LineFaultKindName(kind);
    }
    EXPECT_EQ(help.find("(accepted)"), std::string::npos);
}

}  // namespace
}  // namespace rulv::test
