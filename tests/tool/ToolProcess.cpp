// ToolProcess.cpp - spawning rulvtool with captured streams.
#include "ToolProcess.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace rulv::test {

namespace fs = std::filesystem;

std::string TToolRun::FirstErrLine() const { return Err.substr(0, Err.find('\n')); }

TNativeArgument Arg(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end())).native();
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path TreePath(std::string_view buildTimePath) {
#ifdef _WIN32
    // Wine shows the Linux root as drive Z:.
    std::string windows = "Z:" + std::string(buildTimePath);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return fs::path(Arg(windows));
#else
    return fs::path(Arg(buildTimePath));
#endif
}

fs::path ToolExecutable() { return TreePath(RULVTOOL_PATH); }

std::string ReadBytes(const fs::path& name) {
    std::ifstream file(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& name, std::string_view bytes) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + Utf8(name));
}

TScratchFolder::TScratchFolder() {
    std::random_device random;
    FPath = fs::temp_directory_path() / ("rulvtool-test-" + std::to_string(random()));
    fs::create_directories(FPath);
}

TScratchFolder::~TScratchFolder() {
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
}

fs::path TScratchFolder::operator/(std::string_view utf8Name) const { return FPath / fs::path(Arg(utf8Name)); }

std::vector<std::string> TScratchFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FPath)) names.push_back(Utf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// Capture files of one run, in the scratch folder but outside the names a
// test looks at.
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

#ifdef _WIN32

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
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
// parent fills with `input` and closes.
struct TChildInput {
    HANDLE Read = nullptr;
    HANDLE Write = nullptr;
};

TChildInput MakeChildInput(const std::optional<std::string_view>& input) {
    TChildInput child;
    if (!input) {
        child.Read = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
        return child;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    if (!::CreatePipe(&child.Read, &child.Write, &security, 0)) throw std::runtime_error("cannot create a pipe");
    ::SetHandleInformation(child.Write, HANDLE_FLAG_INHERIT, 0);
    return child;
}

int Spawn(const fs::path& program, const std::vector<TNativeArgument>& arguments, const TCaptureNames& names,
          const std::vector<std::string>&, const std::optional<std::string_view>& input) {
    std::wstring commandLine = QuoteArgument(program.native());
    for (const auto& argument : arguments) commandLine += L" " + QuoteArgument(argument);
    const THandle out(InheritableFile(names.Out, GENERIC_WRITE, CREATE_ALWAYS));
    const THandle err(InheritableFile(names.Err, GENERIC_WRITE, CREATE_ALWAYS));
    const TChildInput pipe = MakeChildInput(input);
    const THandle in(pipe.Read);
    THandle feed(pipe.Write);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.Get();
    startup.hStdOutput = out.Get();
    startup.hStdError = err.Get();
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process)) {
        throw std::runtime_error("cannot start " + Utf8(program));
    }
    const THandle processHandle(process.hProcess);
    const THandle threadHandle(process.hThread);
    if (input) {
        // The child may stop reading early; what it does not take is lost.
        DWORD written = 0;
        ::WriteFile(feed.Get(), input->data(), static_cast<DWORD>(input->size()), &written, nullptr);
        const THandle closed(feed.Release());
    }
    ::WaitForSingleObject(processHandle.Get(), INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(processHandle.Get(), &exitCode);
    return static_cast<int>(exitCode);
}

#else

int Spawn(const fs::path& program, const std::vector<TNativeArgument>& arguments, const TCaptureNames& names,
          const std::vector<std::string>& environment, const std::optional<std::string_view>& input) {
    std::vector<std::string> texts{program.native()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentTexts = environment;
    std::vector<char*> envp;
    for (auto& text : environmentTexts) envp.push_back(text.data());
    envp.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    if (input && ::pipe(pipeEnds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, names.Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, names.Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    const int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(),
                                   environment.empty() ? environ : envp.data());
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
    if (failed != 0) throw std::system_error(failed, std::generic_category(), "posix_spawn " + program.native());
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    // A signal shows as a negative code, which no test expects.
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

#endif

}  // namespace

TToolRun RunProgram(const fs::path& program, const std::vector<TNativeArgument>& arguments, const fs::path& scratch,
                    const std::vector<std::string>& environment, std::optional<std::string_view> input) {
    const TCaptureNames names = MakeCaptureNames(scratch);
    TToolRun run;
    run.ExitCode = Spawn(program, arguments, names, environment, input);
    run.Out = ReadBytes(names.Out);
    run.Err = ReadBytes(names.Err);
    std::error_code ignored;
    fs::remove_all(names.Folder, ignored);
    return run;
}

TToolRun RunTool(const std::vector<TNativeArgument>& arguments, const fs::path& scratch) {
    return RunProgram(ToolExecutable(), arguments, scratch);
}

TToolRun RunToolWithInput(const std::vector<TNativeArgument>& arguments, const fs::path& scratch,
                          std::string_view input) {
    return RunProgram(ToolExecutable(), arguments, scratch, {}, input);
}

}  // namespace rulv::test
