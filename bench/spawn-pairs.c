/* spawn-pairs.c - times two commands as whole processes, alternately.
 *
 *   spawn-pairs RUNS YARDSTICK... -- COMMAND...
 *
 * Runs YARDSTICK and COMMAND one after the other, RUNS times each, with
 * standard output going to /dev/null, and prints the median wall time of
 * each and the median of the pairs' ratios (COMMAND over YARDSTICK), then
 * the same for the processor time the two used, which a busy machine
 * disturbs less than the wall time. Each
 * time covers posix_spawn to wait4 and nothing else: no shell and no `date`
 * fork inside it, which would add the same milliseconds to both sides and
 * flatten the ratio. A command that fails ends the run with status 2. */
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <fcntl.h>

extern char** environ;

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* The wall time of one run of `argv` in seconds, and the processor time
 * it used (user and system) in `cpu`; exits on failure. */
static double TimeOnce(char** argv, double* cpu) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const double start = Now();
    if (posix_spawnp(&child, argv[0], &actions, NULL, argv, environ) != 0) {
        fprintf(stderr, "spawn-pairs: cannot start %s\n", argv[0]);
        exit(2);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) < 0) exit(2);
    const double elapsed = Now() - start;
    *cpu = (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec / 1e6 + (double)usage.ru_stime.tv_sec +
           (double)usage.ru_stime.tv_usec / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "spawn-pairs: %s failed\n", argv[0]);
        exit(2);
    }
    return elapsed;
}

static int Compare(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static double Median(double* values, int count) {
    qsort(values, (size_t)count, sizeof *values, Compare);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int main(int argc, char** argv) {
    int split = 0;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) split = i;
    }
    const int runs = argc > 1 ? atoi(argv[1]) : 0;
    if (runs <= 0 || split <= 2 || split + 1 >= argc) {
        fprintf(stderr, "usage: spawn-pairs RUNS YARDSTICK... -- COMMAND...\n");
        return 2;
    }
    argv[split] = NULL;
    char** yardstick = argv + 2;
    char** command = argv + split + 1;
    double* first = calloc((size_t)runs, sizeof(double));
    double* second = calloc((size_t)runs, sizeof(double));
    double* ratios = calloc((size_t)runs, sizeof(double));
    double* firstCpu = calloc((size_t)runs, sizeof(double));
    double* secondCpu = calloc((size_t)runs, sizeof(double));
    double* cpuRatios = calloc((size_t)runs, sizeof(double));
    if (!first || !second || !ratios || !firstCpu || !secondCpu || !cpuRatios) return 2;
    double unused = 0;
    TimeOnce(yardstick, &unused); /* both read their input from the page cache */
    TimeOnce(command, &unused);
    for (int i = 0; i < runs; ++i) {
        first[i] = TimeOnce(yardstick, &firstCpu[i]);
        second[i] = TimeOnce(command, &secondCpu[i]);
        ratios[i] = second[i] / first[i];
        cpuRatios[i] = firstCpu[i] > 0 ? secondCpu[i] / firstCpu[i] : 0;
    }
    printf("wall: yardstick %9.3f ms   command %9.3f ms   median ratio of %d pairs %.2f\n", Median(first, runs) * 1e3,
           Median(second, runs) * 1e3, runs, Median(ratios, runs));
    printf("cpu:  yardstick %9.3f ms   command %9.3f ms   median ratio of %d pairs %.2f\n",
           Median(firstCpu, runs) * 1e3, Median(secondCpu, runs) * 1e3, runs, Median(cpuRatios, runs));
    return 0;
}
