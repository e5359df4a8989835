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

/* Peak resident memory (kB) of the newest child process of this one's
 * main thread, the driver program a connection started; -1 when it
 * cannot be read. */
inline long driver_peak_kb()
{
    long peak = -1;
    char path[64], line[256];
    std::snprintf(path, sizeof path, "/proc/self/task/%ld/children", (long)getpid());
    FILE *f = std::fopen(path, "r");
    long pid = -1, p;
    while (f && std::fscanf(f, "%ld", &p) == 1) pid = p;
    if (f) std::fclose(f);
    if (pid < 0) return -1;
    std::snprintf(path, sizeof path, "/proc/%ld/status", pid);
    f = std::fopen(path, "r");
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld", &p) == 1) peak = p;
    if (f) std::fclose(f);
    return peak;
}

#endif /* PV_BENCH_DRIVER_PEAK_H */
