// ProcessTime.cpp - wall and processor time of whole processes, two
// commands taken in turn:
//
//   process_time RUNS COMMAND_A... -- COMMAND_B...
//
// Starts A and B alternately RUNS times each with posix_spawn (standard
// output to /dev/null), waits with wait4, and prints for each the best and
// the median wall time and the median user + system time, then the median
// of the RUNS ratios B / A of neighbouring runs. Nothing but the spawn and
// the wait lies inside the timed part: no shell, no fork of a clock.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <vector>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace {

struct TRun {
    double Wall;  // ms
    double Cpu;   // ms, user + system
};

double Milliseconds(const timeval& time) { return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3; }

bool RunOnce(std::vector<char*>& command, const posix_spawn_file_actions_t& actions, TRun& run) {
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&child, command[0], &actions, nullptr, command.data(), environ) != 0) return false;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return false;
    const auto end = std::chrono::steady_clock::now();
    run.Wall = std::chrono::duration<double, std::milli>(end - start).count();
    run.Cpu = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void Report(const char* name, const std::vector<TRun>& runs) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const TRun& run : runs) {
        wall.push_back(run.Wall);
        cpu.push_back(run.Cpu);
    }
    std::printf("%s: wall best %.1f ms, median %.1f ms; processor median %.1f ms\n", name,
                *std::min_element(wall.begin(), wall.end()), Median(wall), Median(cpu));
}

}  // namespace

int main(int argc, char** argv) {
    const auto separator = std::find_if(argv + 2, argv + argc, [](const char* word) { return std::strcmp(word, "--") == 0; });
    if (argc < 5 || separator == argv + argc || separator == argv + 2 || separator + 1 == argv + argc) {
        std::fprintf(stderr, "usage: process_time RUNS COMMAND_A... -- COMMAND_B...\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    std::vector<char*> first(argv + 2, separator);
    std::vector<char*> second(separator + 1, argv + argc);
    first.push_back(nullptr);
    second.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<TRun> runsA;
    std::vector<TRun> runsB;
    std::vector<double> ratios;
    for (int i = 0; i < count; ++i) {
        TRun a{};
        TRun b{};
        if (!RunOnce(first, actions, a) || !RunOnce(second, actions, b)) {
            std::fprintf(stderr, "process_time: a command failed\n");
            return 1;
        }
        runsA.push_back(a);
        runsB.push_back(b);
        ratios.push_back(b.Wall / a.Wall);
    }
    posix_spawn_file_actions_destroy(&actions);
    Report("A", runsA);
    Report("B", runsB);
    std::printf("B / A: median of %d pairs %.3f\n", count, Median(ratios));
    return 0;
}
