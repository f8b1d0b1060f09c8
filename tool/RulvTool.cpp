// RulvTool.cpp - the process entry of rulvtool: arguments in, streams out.
//
// Both builds write the same bytes: UTF-8 text with "\n" line ends (stdout
// and stderr in binary mode on Windows). Only a Windows console gets its
// text through WriteConsoleW, so that any file name shows as it is.
//
// Running out of memory anywhere, reports included, ends with exit status 2
// and a fixed message written without allocating: never with an abort.
#include <clocale>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tool/ToolCommands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "common/Unicode.h"
#else
#include <unistd.h>
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
        WriteBytes(text);
    }

    // Bytes as they are, a console included.
    void WriteBytes(std::string_view bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size()) FFailed = true;
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
    void OutBinary(std::string_view bytes) override { FOut.WriteBytes(bytes); }
    void Err(std::string_view text) override { FErr.Write(text); }
    unsigned ErrCodePage() const override { return FErr.CodePage(); }
    bool FinishOut() { return FOut.Finish(); }

private:
    TStandardStream FOut{stdout};
    TStandardStream FErr{stderr};
};

// The last word when memory is exhausted: a fixed text straight to the
// standard error handle, with nothing allocated on the way.
void ReportOutOfMemory() noexcept {
    static constexpr char kText[] = "rulvtool: out of memory\n";
#ifdef _WIN32
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), kText, sizeof kText - 1, &written, nullptr);
#else
    const ssize_t written = ::write(STDERR_FILENO, kText, sizeof kText - 1);
    static_cast<void>(written);
#endif
}

int RunReporting(const std::vector<TArgument>& arguments) {
    TProcessStreams streams;
    int status = kExitTrouble;
    try {
        status = RunTool(arguments, streams);
    } catch (const std::bad_alloc&) {
        throw;  // its report must not allocate
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

// Runs the command; a report that itself runs out of memory ends here too.
int Run(const std::vector<TArgument>& arguments) noexcept {
    try {
        return RunReporting(arguments);
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
    }
    return kExitTrouble;
}

// Builds the command-line arguments; false when there is no memory for them.
template <class TBuild>
bool BuildArguments(TBuild&& build) noexcept {
    try {
        build();
        return true;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
        return false;
    }
}

}  // namespace

}  // namespace rulv::tool

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<rulv::tool::TArgument> arguments;
    const bool built = rulv::tool::BuildArguments([&] {
        for (int i = 1; i < argc; ++i) {
            arguments.push_back({rulv::WideToUtf8(argv[i]), std::filesystem::path(argv[i])});
        }
    });
    return built ? rulv::tool::Run(arguments) : rulv::tool::kExitTrouble;
}
#else
int main(int argc, char** argv) {
    // The user's locale gives the decimal separator of #LINE slopes.
    std::setlocale(LC_NUMERIC, "");
    std::vector<rulv::tool::TArgument> arguments;
    const bool built = rulv::tool::BuildArguments([&] {
        for (int i = 1; i < argc; ++i) arguments.push_back({argv[i], std::filesystem::path(argv[i])});
    });
    return built ? rulv::tool::Run(arguments) : rulv::tool::kExitTrouble;
}
#endif
