// Process.cpp - starting programs, natively and on Windows.
#include "tests/support/Process.h"

#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "tests/support/Files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace rulv::test {

namespace fs = std::filesystem;

TNativeArgument Arg(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())).native(); }

std::string TProgramRun::FirstErrLine() const { return Err.substr(0, Err.find('\n')); }

#ifdef _WIN32

namespace {

// Quotes one argument so that CommandLineToArgvW and the C runtime give it
// back unchanged.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

class THandle {
public:
    explicit THandle(HANDLE handle) : FHandle(handle) {}
    ~THandle() {
        if (FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE) ::CloseHandle(FHandle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return FHandle; }
    HANDLE Release() { return std::exchange(FHandle, nullptr); }

private:
    HANDLE FHandle;
};

// A handle the child inherits; the caller owns it.
HANDLE InheritableFile(const fs::path& name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    const HANDLE handle = ::CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                                        disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + Utf8(name));
    return handle;
}

// Standard input for the child: NUL, or the read end of a pipe that the
// parent fills and closes.
struct TChildInput {
    HANDLE Read = nullptr;
    HANDLE Write = nullptr;
};

TChildInput MakeChildInput(const TStreams& streams) {
    TChildInput child;
    if (!streams.Input) {
        child.Read = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
        return child;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    if (!::CreatePipe(&child.Read, &child.Write, &security, 0)) throw std::runtime_error("cannot create a pipe");
    ::SetHandleInformation(child.Write, HANDLE_FLAG_INHERIT, 0);
    return child;
}

}  // namespace

TProcess::TProcess(const fs::path& program, const std::vector<TNativeArgument>& arguments,
                   const TStartOptions& options) {
    std::wstring commandLine = Quoted(program.native());
    for (const auto& argument : arguments) commandLine += L" " + Quoted(argument);
    const bool redirected = options.Streams.has_value();
    const THandle out(redirected ? InheritableFile(options.Streams->Out, GENERIC_WRITE, CREATE_ALWAYS) : nullptr);
    const THandle err(redirected ? InheritableFile(options.Streams->Err, GENERIC_WRITE, CREATE_ALWAYS) : nullptr);
    const TChildInput pipe = redirected ? MakeChildInput(*options.Streams) : TChildInput{};
    const THandle in(pipe.Read);
    THandle feed(pipe.Write);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.Get();
        startup.hStdOutput = out.Get();
        startup.hStdError = err.Get();
    }
    const wchar_t* folder = options.Folder.empty() ? nullptr : options.Folder.c_str();
    PROCESS_INFORMATION process{};
    // Wine now and then refuses a process start with an internal error
    // (1359) when several start at once: a second attempt goes through.
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !FStarted; ++attempt) {
        FStarted = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, redirected, 0, nullptr,
                                    folder, &startup, &process);
        if (!FStarted) {
            error = ::GetLastError();
            if (error != ERROR_INTERNAL_ERROR) break;
        }
    }
    if (!FStarted) {
        FStartError = static_cast<int>(error);
        return;
    }
    ::CloseHandle(process.hThread);
    FHandle = process.hProcess;
    FId = process.dwProcessId;
    if (redirected && options.Streams->Input) {
        // The child may stop reading early; what it does not take is lost.
        const std::string_view input = *options.Streams->Input;
        DWORD written = 0;
        ::WriteFile(feed.Get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        const THandle closed(feed.Release());
    }
}

TProcess::~TProcess() {
    if (!FHandle) return;
    if (::WaitForSingleObject(FHandle, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(FHandle, 1);
        ::WaitForSingleObject(FHandle, 10000);
    }
    ::CloseHandle(FHandle);
}

int TProcess::Wait() {
    if (!FStarted) return -1;
    ::WaitForSingleObject(FHandle, INFINITE);
    return *Wait(std::chrono::milliseconds(0));
}

std::optional<int> TProcess::Wait(std::chrono::milliseconds timeout) {
    if (!FStarted || FExitCode) return FExitCode;
    if (::WaitForSingleObject(FHandle, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD exitCode = 0;
    ::GetExitCodeProcess(FHandle, &exitCode);
    FExitCode = static_cast<int>(exitCode);
    return FExitCode;
}

#else

namespace {

// A signal shows as a negative code, which no test expects.
int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status); }

}  // namespace

TProcess::TProcess(const fs::path& program, const std::vector<TNativeArgument>& arguments,
                   const TStartOptions& options) {
    std::vector<std::string> texts{program.native()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (auto& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentTexts = options.Environment;
    std::vector<char*> envp;
    envp.reserve(environmentTexts.size() + 1);
    for (auto& text : environmentTexts) envp.push_back(text.data());
    envp.push_back(nullptr);

    // A pointer, not a copy of the optional: GCC 12 at -Os takes the copy's
    // text for "maybe uninitialized" (a false -Wmaybe-uninitialized).
    const std::string_view* input =
        options.Streams && options.Streams->Input ? &*options.Streams->Input : nullptr;
    int pipeEnds[2] = {-1, -1};
    if (input && ::pipe(pipeEnds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.Streams) {
        if (input) {
            posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
            posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
            posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
        } else {
            posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        }
        posix_spawn_file_actions_addopen(&actions, 1, options.Streams->Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, options.Streams->Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }
    if (!options.Folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.Folder.c_str());
    pid_t child = 0;
    const int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(),
                                   options.Environment.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (input) {
        ::close(pipeEnds[0]);
        // The child may stop reading early: a broken pipe is no failure here.
        std::signal(SIGPIPE, SIG_IGN);
        std::string_view rest = *input;
        while (failed == 0 && !rest.empty()) {
            const ssize_t count = ::write(pipeEnds[1], rest.data(), rest.size());
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) break;
            rest.remove_prefix(static_cast<std::size_t>(count));
        }
        ::close(pipeEnds[1]);
    }
    if (failed != 0) {
        FStartError = failed;
        return;
    }
    FStarted = true;
    FId = static_cast<std::uint32_t>(child);
}

TProcess::~TProcess() {
    if (!FStarted || FExitCode) return;
    ::kill(static_cast<pid_t>(FId), SIGKILL);
    try {
        Wait();
    } catch (const std::system_error&) {
        // The child cannot be waited for; nothing more to do for it.
    }
}

int TProcess::Wait() {
    if (!FStarted) return -1;
    if (FExitCode) return *FExitCode;
    int status = 0;
    while (::waitpid(static_cast<pid_t>(FId), &status, 0) < 0) {
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    FExitCode = ExitCodeOf(status);
    return *FExitCode;
}

std::optional<int> TProcess::Wait(std::chrono::milliseconds timeout) {
    if (!FStarted || FExitCode) return FExitCode;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(static_cast<pid_t>(FId), &status, WNOHANG);
        if (ended < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
        if (ended > 0) {
            FExitCode = ExitCodeOf(status);
            return FExitCode;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

#endif

namespace {

// Capture files of one run, beside the scratch folder so that the names a
// test looks at stay its own.
struct TCaptureNames {
    fs::path Out;
    fs::path Err;
    fs::path Folder;
};

TCaptureNames MakeCaptureNames(const fs::path& scratch) {
    static int runs = 0;
    TCaptureNames names;
    names.Folder = scratch.parent_path() / (Utf8(scratch.filename()) + "-streams");
    fs::create_directories(names.Folder);
    const std::string stem = "run" + std::to_string(++runs);
    names.Out = names.Folder / (stem + ".out");
    names.Err = names.Folder / (stem + ".err");
    return names;
}

}  // namespace

TProgramRun RunProgram(const fs::path& program, const std::vector<TNativeArgument>& arguments,
                       const fs::path& scratch, const std::vector<std::string>& environment,
                       std::optional<std::string_view> input) {
    const TCaptureNames names = MakeCaptureNames(scratch);
    TProgramRun run;
    {
        TStartOptions options;
        options.Environment = environment;
        options.Streams = TStreams{names.Out, names.Err, input};
        TProcess process(program, arguments, options);
        if (!process.Started()) {
#ifdef _WIN32
            const std::error_category& category = std::system_category();
#else
            const std::error_category& category = std::generic_category();
#endif
            throw std::system_error(process.StartError(), category, "cannot start " + Utf8(program));
        }
        run.ExitCode = process.Wait();
    }
    run.Out = ReadBytes(names.Out);
    run.Err = ReadBytes(names.Err);
    std::error_code ignored;
    fs::remove_all(names.Folder, ignored);
    return run;
}

}  // namespace rulv::test
