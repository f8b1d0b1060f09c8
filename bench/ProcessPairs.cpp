// ProcessPairs.cpp - times two commands as whole processes, alternately, and
// prints the median wall and processor times of each and their ratios.
//
//   process-pairs RUNS -- YARDSTICK ARGS... -- MEASURED ARGS...
//
// Each run starts the program with posix_spawn and waits for it with wait4,
// so no shell and no clock program is inside the timed part; standard
// output goes to /dev/null. Processor time is user plus system time from
// wait4's resource usage, the steadier figure on a shared machine.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct TTiming {
    double Wall;
    double Processor;
};

TTiming RunOnce(const std::vector<char*>& command) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&child, command[0], &actions, nullptr, command.data(), environ) != 0) {
        std::perror(command[0]);
        std::exit(2);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "process-pairs: %s failed\n", command[0]);
        std::exit(2);
    }
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return {std::chrono::duration<double>(end - start).count(), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || std::string(argv[2]) != "--") {
        std::fprintf(stderr, "usage: process-pairs RUNS -- YARDSTICK ARGS... -- MEASURED ARGS...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<char*> commands[2];
    int which = 0;
    for (int i = 3; i < argc; ++i) {
        if (std::string(argv[i]) == "--" && which == 0) {
            which = 1;
            continue;
        }
        commands[which].push_back(argv[i]);
    }
    for (auto& command : commands) command.push_back(nullptr);
    std::vector<double> wall[2];
    std::vector<double> processor[2];
    std::vector<double> wallRatio;
    std::vector<double> processorRatio;
    for (int run = 0; run < runs; ++run) {
        TTiming timing[2];
        for (int k = 0; k < 2; ++k) {
            timing[k] = RunOnce(commands[k]);
            wall[k].push_back(timing[k].Wall);
            processor[k].push_back(timing[k].Processor);
        }
        wallRatio.push_back(timing[1].Wall / timing[0].Wall);
        processorRatio.push_back(timing[1].Processor / std::max(timing[0].Processor, 1e-3));
    }
    std::printf("yardstick  wall %8.1f ms  cpu %8.1f ms\n", Median(wall[0]) * 1e3, Median(processor[0]) * 1e3);
    std::printf("measured   wall %8.1f ms  cpu %8.1f ms\n", Median(wall[1]) * 1e3, Median(processor[1]) * 1e3);
    std::printf("ratio (median of %d pairs): wall %.2f, cpu %.2f\n", runs, Median(wallRatio), Median(processorRatio));
    return 0;
}
