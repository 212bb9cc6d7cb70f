// Runs a command and appends its wall time from fork to exit, the CPU time (user + system)
// and the peak resident memory (KiB, largest of it and its waited-for descendants) to a file.
// Usage: bench-measure RESULTS-FILE COMMAND [ARGS...]; standard output of the command is dropped.
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    struct timespec start, end;
    struct rusage usage;
    int status = 0;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t child = fork();
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (child < 0 || wait4(child, &status, 0, &usage) < 0) return 2;
    clock_gettime(CLOCK_MONOTONIC, &end);
    FILE* out = fopen(argv[1], "a");
    if (out == NULL) return 2;
    fprintf(out, "%.6f %.6f %ld\n",
            (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9,
            usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
            usage.ru_maxrss);
    fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
