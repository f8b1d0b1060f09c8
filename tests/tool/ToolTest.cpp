// ToolTest.cpp - rulvtool dump and check, run as a separate process:
// stdout byte for byte, exit status, the first line of stderr.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/tool/ToolProcess.h"
#include "common/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

class ToolTest : public ::testing::Test {
protected:
    // A map in the scratch folder, its bytes as given (line ends included).
    fs::path Map(std::string_view name, std::string_view bytes) const {
        return FScratch.Write(name, bytes);
    }
    TProgramRun Run(const std::vector<TNativeArgument>& arguments) const {
        return RunTool(arguments, FScratch.Path());
    }

    TTempFolder FScratch;
};

// --- dump: the colours ----------------------------------------------------

struct TDumpCase {
    const char* name;
    std::string data;
    std::string out;  // the worked results, one RRGGBB per line
};

const TDumpCase kDumpCases[] = {
    {"gradient of ten greys", "#GRAD 000000,FFFFFF,10\r\n",
     "000000\n1A1A1A\n333333\n4C4C4C\n666666\n808080\n999999\nB2B2B2\nCCCCCC\nE6E6E6\n"},
    {"gradient red to blue", "#GRAD FF0000,0000FF,4", "FF0000\nBF0040\n7F0080\n4000BF\n"},
    {"gradient of two", "#grad 000000 , ffffff , 2 \r\n", "000000\n808080\n"},
    {"linear run that wraps", "#LINE 250,1,0,0,10,-1,14\r\n",
     "FA000A\nFB0009\nFC0008\nFD0007\nFE0006\nFF0005\n000004\n010003\n020002\n030001\n040000\n050000\n060000\n"
     "070000\n"},
    {"linear run rounding ties to even", "#LINE 0,0.5,0,0,0,0,6\r\n", "000000\n000000\n010000\n020000\n020000\n020000\n"},
    {"linear remainder", "#LINE 300,0,-1,0,0,0,1\r\n", "2C0000\n"},
    {"colour lines, comments, directives, CR alone",
     "* a map\rff8000 orange\r#NAME ignored\r\r12345\rFF00001\r", "FF8000\n123405\nFF0000\n"},
    {"gradient and linear together", "#GRAD 000000,FFFFFF,2\r\n#LINE 250,1,0,0,10,-1,2\r\n",
     "000000\n808080\nFA000A\nFB0009\n"},
    {"LF alone does not end a line", "00FF00\n0000FF\nnot a colour\n", "00FF00\n"},
    {"Ctrl-Z ends the data", "0000FF\r\n\x1A" "faulty\r\n", "0000FF\n"},
};

TEST_F(ToolTest, DumpPrintsEveryColorAsRrggbb) {
    for (const TDumpCase& test : kDumpCases) {
        const TProgramRun run = Run({Arg("dump"), Arg(Map("map.rulv", test.data))});
        EXPECT_EQ(run.ExitCode, 0) << test.name;
        EXPECT_EQ(run.Out, test.out) << test.name;
        EXPECT_EQ(run.Err, "") << test.name;
    }
}

// --- dump and check: faults ----------------------------------------------

struct TFaultCase {
    const char* name;
    std::string data;  // the file's bytes; "" with `folder` or `missing`
    int exitCode;
    std::string after;  // what follows the file name on stderr's first line
};

const TFaultCase kFaultCases[] = {
    {"faulty first line", "oops\r\nFF0000\r\n", 1, ":1:1: error: "},
    {"faulty line after comments", "*a\r\n*b\r\n\r\nFF00\r\n", 1, ":4:5: error: "},
    {"first of two faulty lines", "FF0000\r\n\r\nbad\r\nworse\r\n", 1, ":3:4: error: "},
    {"gradient count zero", "000000\r\n#GRAD 000000,FFFFFF,0\r\n", 1, ":2:21: error: "},
    {"linear run without count", "#LINE 0,1,0,1,0,1\r\n", 1, ":1:18: error: "},
    {"line of blanks", "FF0000\r\n   \r\n", 1, ":2:1: error: "},
    {"gradient after LF line ends", "#GRAD 000000,FFFFFF,2\n000000\n", 1, ":1:22: error: "},
    {"empty file", "", 1, ": "},
    {"only comments and foreign directives", "* x\r\n#palette\r\n", 1, ": "},
    {"gradient of no colour", "#GRAD 000000,FFFFFF,-1\r\n", 1, ": "},
};

TEST_F(ToolTest, FaultyFilesExitOneWithFileAndLineFirst) {
    for (const TFaultCase& test : kFaultCases) {
        const fs::path map = Map("faulty.rulv", test.data);
        for (const char* command : {"dump", "check"}) {
            const TProgramRun run = Run({Arg(command), Arg(map)});
            EXPECT_EQ(run.ExitCode, test.exitCode) << test.name << ", " << command;
            EXPECT_EQ(run.Out, "") << test.name << ", " << command;
            const std::string expected = Utf8(map) + test.after;
            EXPECT_EQ(run.FirstErrLine().substr(0, expected.size()), expected) << test.name << ", " << command;
            if (std::string(test.after) == ": ") {
                // No line number: the text after "FILE: " is a message, not "n:".
                const std::string rest = run.FirstErrLine().substr(expected.size());
                EXPECT_FALSE(!rest.empty() && std::isdigit(static_cast<unsigned char>(rest.front())))
                    << test.name << ": " << rest;
            }
        }
    }
}

TEST_F(ToolTest, MissingFilesAndFoldersExitTwo) {
    const fs::path missing = FScratch / "missing.rulv";
    const fs::path folder = FScratch / "folder.rulv";
    fs::create_directory(folder);
    for (const fs::path& name : {missing, folder}) {
        for (const char* command : {"dump", "check"}) {
            const TProgramRun run = Run({Arg(command), Arg(name)});
            EXPECT_EQ(run.ExitCode, 2) << Utf8(name) << ", " << command;
            EXPECT_EQ(run.Out, "");
            EXPECT_EQ(run.FirstErrLine().rfind(Utf8(name) + ": ", 0), 0u) << run.Err;
        }
    }
}

// --- check: several files ---------------------------------------------------

TEST_F(ToolTest, CheckReportsEachFileAndExitsWithTheWorstStatus) {
    const fs::path good = Map("good.rulv", "FF0000\r\n#GRAD 000000,FFFFFF,10\r\n");
    const fs::path other = Map("other.rulv", "00FF00\r\n");
    const fs::path faulty = Map("faulty.rulv", "FF0000\r\nbad\r\n");
    const fs::path missing = FScratch / "missing.rulv";
    const std::string goodLine = Utf8(good) + ": 11 colours\n";
    const std::string otherLine = Utf8(other) + ": 1 colours\n";
    struct {
        std::vector<fs::path> files;
        int exitCode;
        std::string out;
        std::vector<std::string> errStarts;  // one per faulty file, in order
    } const cases[] = {
        {{good, other}, 0, goodLine + otherLine, {}},
        {{good, faulty, other}, 1, goodLine + otherLine, {Utf8(faulty) + ":2:4: error: "}},
        {{missing, faulty, good}, 2, goodLine, {Utf8(missing) + ": ", Utf8(faulty) + ":2:4: error: "}},
        {{faulty, missing}, 2, "", {Utf8(faulty) + ":2:4: error: ", Utf8(missing) + ": "}},
    };
    for (const auto& test : cases) {
        std::vector<TNativeArgument> arguments{Arg("check")};
        for (const fs::path& file : test.files) arguments.push_back(Arg(file));
        const TProgramRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, test.exitCode) << run.Err;
        EXPECT_EQ(run.Out, test.out);
        std::string err = run.Err;
        for (const std::string& start : test.errStarts) {
            const std::string line = err.substr(0, err.find('\n'));
            EXPECT_EQ(line.rfind(start, 0), 0u) << line;
            err.erase(0, line.size() + 1);
            // A faulty line's report goes on with the line and its caret.
            while (!err.empty() && err.front() == ' ') err.erase(0, err.find('\n') + 1);
        }
        EXPECT_EQ(err, "") << "no more reports than faulty files";
    }
}

// --- the command line ---------------------------------------------------------

TEST_F(ToolTest, BadCommandLinesGiveUsageAndExitTwo) {
    const fs::path map = Map("map.rulv", "FF0000\r\n");
    const std::vector<std::vector<TNativeArgument>> cases = {
        {},
        {Arg("--frob")},
        {Arg("-x")},
        {Arg("frobnicate"), Arg(map)},
        {Arg("dump")},
        {Arg("dump"), Arg(map), Arg(map)},
        {Arg("dump"), Arg("--frob"), Arg(map)},
        {Arg("check")},
        {Arg("check"), Arg(map), Arg("--verbose")},
        {Arg("render"), Arg(map)},
    };
    for (const auto& arguments : cases) {
        const TProgramRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_EQ(run.Out, "");
        EXPECT_NE(run.Err.find("\nusage: rulvtool "), std::string::npos) << run.Err;
    }
}

TEST_F(ToolTest, HelpAndVersion) {
    const TProgramRun help = Run({Arg("--help")});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("rulvtool dump FILE"), std::string::npos);
    EXPECT_NE(help.Out.find("rulvtool check FILE..."), std::string::npos);
    EXPECT_EQ(help.Err, "");
    const TProgramRun version = Run({Arg("--version")});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, "rulvtool " RULV_PROJECT_VERSION "\n");
    EXPECT_EQ(version.Err, "");
}

TEST_F(ToolTest, DoubleDashEndsTheOptions) {
    const fs::path map = Map("-map.rulv", "00FF00\r\n");
    fs::current_path(FScratch.Path());
    const TProgramRun run = Run({Arg("check"), Arg("--"), Arg("-map.rulv")});
    fs::current_path(FScratch.Path().parent_path());
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "-map.rulv: 1 colours\n");
}

// --- file names and input-output errors --------------------------------------

TEST_F(ToolTest, UnicodeFileNamesOpenAndShowAsUtf8) {
    // Japanese, and characters that code page 932 does not have.
    const char* const names[] = {"色地図_カラー.rulv", "Farbkarte_Grüße_Ωμέγα.rulv", "地図_Ärger_ŝ.rulv"};
    for (const char* name : names) {
        const fs::path map = Map(name, "FF8000\r\n0080FF\r\n");
        const TProgramRun check = Run({Arg("check"), Arg(map)});
        EXPECT_EQ(check.ExitCode, 0) << name << ": " << check.Err;
        EXPECT_EQ(check.Out, Utf8(map) + ": 2 colours\n");
        const TProgramRun dump = Run({Arg("dump"), Arg(map)});
        EXPECT_EQ(dump.Out, "FF8000\n0080FF\n") << name;
        const fs::path faulty = Map(std::string("faulty_") + name, "FF8000\r\nxyz\r\n");
        const TProgramRun fault = Run({Arg("dump"), Arg(faulty)});
        EXPECT_EQ(fault.ExitCode, 1);
        EXPECT_EQ(fault.FirstErrLine().rfind(Utf8(faulty) + ":2:1: error: ", 0), 0u) << fault.Err;
    }
}

#ifdef _WIN32
TEST_F(ToolTest, FileHeldOpenForWritingIsAnInputOutputError) {
    const fs::path map = Map("held.rulv", "FF0000\r\n");
    // Another program writes the file; the tool shares reading only.
    const HANDLE writer = ::CreateFileW(map.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const TProgramRun run = Run({Arg("dump"), Arg(map)});
    ::CloseHandle(writer);
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.FirstErrLine(), Utf8(map) + ": " + SystemErrorMessage(ERROR_SHARING_VIOLATION));
}
#else
TEST_F(ToolTest, UnopenableAndUnreadableFilesAreInputOutputErrors) {
    // A socket exists and is no folder, but cannot be opened (even by root).
    const fs::path socketName = FScratch / "socket.rulv";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    const std::unique_ptr<const int, void (*)(const int*)> closer(&listener, [](const int* socket) { ::close(*socket); });
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketName.native().size(), sizeof(address.sun_path));
    socketName.native().copy(address.sun_path, socketName.native().size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    struct {
        fs::path name;
        int error;
    } const cases[] = {
        {socketName, ENXIO},
        // Opens, but reading its first bytes fails: the tool's own memory at address 0.
        {"/proc/self/mem", EIO},
    };
    for (const auto& test : cases) {
        const TProgramRun run = Run({Arg("dump"), Arg(test.name)});
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.FirstErrLine(), Utf8(test.name) + ": " + SystemErrorMessage(test.error));
    }
}

TEST_F(ToolTest, UnreadablePermissionsAreAnInputOutputError) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root, who may read any file; the socket and /proc cases cover it";
    const fs::path map = Map("locked.rulv", "FF0000\r\n");
    fs::permissions(map, fs::perms::none);
    const TProgramRun run = Run({Arg("dump"), Arg(map)});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.FirstErrLine(), Utf8(map) + ": " + SystemErrorMessage(EACCES));
}

// A count that cannot fit the memory at hand: the growth fails, so the line
// is faulty; the tool must neither crash nor report success.
TEST_F(ToolTest, HugeGradientUnderLimitedMemoryIsAFaultyLine) {
    const fs::path map = Map("huge.rulv", "#GRAD 000000,FFFFFF,2147483647\r\n");
    const TProgramRun run = RunProgram("/bin/sh",
                                       {"-c", "ulimit -v 1048576 && exec \"$0\" check \"$1\"",
                                        ToolExecutable().native(), map.native()},
                                       FScratch.Path());
    EXPECT_EQ(run.ExitCode, 1) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.FirstErrLine().rfind(Utf8(map) + ":1:21: error: out of memory", 0), 0u) << run.Err;
}

TEST_F(ToolTest, OutputThatCannotBeWrittenIsNoSuccess) {
    const fs::path map = Map("map.rulv", "FF0000\r\n");
    const TProgramRun run = RunProgram(
        "/bin/sh", {"-c", "exec \"$0\" dump \"$1\" >/dev/full", ToolExecutable().native(), map.native()},
        FScratch.Path());
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("cannot write"), std::string::npos) << run.Err;
}

// The slopes of #LINE are read with the decimal separator of the user's locale.
TEST_F(ToolTest, LinearSlopesUseTheLocaleDecimalSeparator) {
    const fs::path map = Map("slope.rulv", "#LINE 0,0.5,0,0,0,0,3\r\n");
    const TProgramRun point = RunProgram(ToolExecutable(), {"dump", map.native()}, FScratch.Path(), {"LC_ALL=C"});
    EXPECT_EQ(point.ExitCode, 0) << point.Err;
    EXPECT_EQ(point.Out, "000000\n000000\n010000\n");
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (make deps installs it)";
    }
    std::setlocale(LC_NUMERIC, "C");
    const TProgramRun comma =
        RunProgram(ToolExecutable(), {"dump", map.native()}, FScratch.Path(), {"LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(comma.ExitCode, 1);
    EXPECT_EQ(comma.FirstErrLine().rfind(Utf8(map) + ":1:10: error: ", 0), 0u) << comma.Err;
}
#endif

}  // namespace
}  // namespace rulv::test
