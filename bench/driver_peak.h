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

#endif /* PV_BENCH_DRIVER_PEAK_H */
