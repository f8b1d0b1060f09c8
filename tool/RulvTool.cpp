// RulvTool.cpp - the process entry of rulvtool: arguments in, streams out.
//
// Both builds write the same bytes: UTF-8 text with "\n" line ends (stdout
// and stderr in binary mode on Windows). Only a Windows console gets its
// text through WriteConsoleW, so that any file name shows as it is.
#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "ToolCommands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "common/Unicode.h"
#endif

namespace rulv::tool {

namespace {

class TStandardStream {
public:
    explicit TStandardStream(std::FILE* file) : FFile(file) {
#ifdef _WIN32
        ::_setmode(::_fileno(file), _O_BINARY);
        const HANDLE handle = ::GetStdHandle(file == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
        DWORD mode = 0;
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
            FConsole = handle;
        }
#endif
    }

    void Write(std::string_view text) {
#ifdef _WIN32
        if (FConsole != nullptr) {
            const std::wstring wide = Utf8ToWide(text);
            DWORD written = 0;
            if (!::WriteConsoleW(FConsole, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) {
                FFailed = true;
            }
            return;
        }
#endif
        if (std::fwrite(text.data(), 1, text.size(), FFile) != text.size()) FFailed = true;
    }

    // True when everything written has reached the stream.
    bool Finish() { return std::fflush(FFile) == 0 && !FFailed && !std::ferror(FFile); }

    // The code page in which the stream shows text: a console's own, else
    // (a file or a pipe, which take UTF-8 from us) the ANSI code page that
    // the user's files are written in.
    unsigned CodePage() const {
#ifdef _WIN32
        return FConsole != nullptr ? ::GetConsoleOutputCP() : ::GetACP();
#else
        return 65001;
#endif
    }

private:
    std::FILE* FFile;
    bool FFailed = false;
#ifdef _WIN32
    HANDLE FConsole = nullptr;
#endif
};

class TProcessStreams final : public TToolStreams {
public:
    void Out(std::string_view text) override { FOut.Write(text); }
    void Err(std::string_view text) override { FErr.Write(text); }
    unsigned ErrCodePage() const override { return FErr.CodePage(); }
    bool FinishOut() { return FOut.Finish(); }

private:
    TStandardStream FOut{stdout};
    TStandardStream FErr{stderr};
};

int Run(const std::vector<TArgument>& arguments) {
    TProcessStreams streams;
    int status = kExitTrouble;
    try {
        status = RunTool(arguments, streams);
    } catch (const std::exception& error) {
        streams.Err(std::string("rulvtool: ") + error.what() + "\n");
        return kExitTrouble;
    }
    // Output that did not arrive is no success (a full disk, a closed pipe).
    if (!streams.FinishOut()) {
        streams.Err("rulvtool: cannot write to standard output\n");
        return kExitTrouble;
    }
    return status;
}

}  // namespace

}  // namespace rulv::tool

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<rulv::tool::TArgument> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back({rulv::WideToUtf8(argv[i]), std::filesystem::path(argv[i])});
    return rulv::tool::Run(arguments);
}
#else
int main(int argc, char** argv) {
    // The user's locale gives the decimal separator of #LINE slopes.
    std::setlocale(LC_NUMERIC, "");
    std::vector<rulv::tool::TArgument> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back({argv[i], std::filesystem::path(argv[i])});
    return rulv::tool::Run(arguments);
}
#endif
