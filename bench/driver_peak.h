/*
** driver_peak.h: the peak resident memory of the driver program a
** connection started, read from /proc; shared by the benchmarks and the
** driver tests, which both hold a driver's memory to a bound.
**
**     long kb = driver_peak_kb();   // -1 when it cannot be read
*/
#ifndef PV_BENCH_DRIVER_PEAK_H
#define PV_BENCH_DRIVER_PEAK_H

#include <unistd.h>

#include <cstdio>

/* The most memory a driver program may hold at once (kB), whatever the
 * command or the size of its tables. */
constexpr long DRIVER_PEAK_BOUND_KB = 32 * 1024;

/* The newest child process of this one's main thread, the driver program
 * a connection started; -1 when there is none. */
inline long driver_pid()
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%ld/children", (long)getpid());
    FILE *f = std::fopen(path, "r");
    long pid = -1, p;
    while (f && std::fscanf(f, "%ld", &p) == 1) pid = p;
    if (f) std::fclose(f);
    return pid;
}

/* Starts the driver's peak afresh from its present size, so that
 * driver_peak_kb gives the peak of what follows alone. */
inline void driver_peak_reset()
{
    char path[64];
    long pid = driver_pid();
    if (pid < 0) return;
    std::snprintf(path, sizeof path, "/proc/%ld/clear_refs", pid);
    if (FILE *f = std::fopen(path, "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

/* Peak resident memory (kB) of the newest child process of this one's
 * main thread, the driver program a connection started; -1 when it
 * cannot be read. */
inline long driver_peak_kb()
{
    long peak = -1, pid = driver_pid(), p;
    char path[64], line[256];
    if (pid < 0) return -1;
    std::snprintf(path, sizeof path, "/proc/%ld/status", pid);
    FILE *f = std::fopen(path, "r");
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld", &p) == 1) peak = p;
    if (f) std::fclose(f);
    return peak;
}

/* Prints a line naming what ran when the driver's peak of peak_kb passed
 * DRIVER_PEAK_BOUND_KB; answers whether it stayed within. */
inline bool driver_peak_within(const char *what, long peak_kb)
{
    if (peak_kb <= DRIVER_PEAK_BOUND_KB) return true;
    std::printf("!! %s: the driver peaked at %.1f MB, above its bound of %ld MB\n", what, (double)peak_kb / 1024.0,
                DRIVER_PEAK_BOUND_KB / 1024);
    std::fflush(stdout);
    return false;
}

#endif /* PV_BENCH_DRIVER_PEAK_H */
