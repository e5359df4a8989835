/*
 * bench_ratios.h: what the benchmark programs share: the number of rows
 * and repetitions (from the environment, so that CI runs a few rows as a
 * smoke test), and a console reporter that keeps the best real time of
 * each benchmark over its repetitions and prints, after the usual table,
 * the ratios between benchmarks run side by side in the same program.
 *
 *   static const bench_ratio RATIOS[] = {{"Select/engine_and_pvdb3", "Select/sqlite3", "engine+pvdb3 / SQLite"}};
 *   return bench_main(argc, argv, RATIOS, std::size(RATIOS));
 */
#ifndef PV_BENCH_BENCH_RATIOS_H
#define PV_BENCH_BENCH_RATIOS_H

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

/* The environment variables giving the rows of a run and the repetitions
 * of each benchmark, and their defaults (a full run). */
constexpr const char *BENCH_ROWS_ENV = "PV_BENCH_ROWS";
constexpr const char *BENCH_REPS_ENV = "PV_BENCH_REPS";
constexpr int BENCH_DEFAULT_ROWS = 100000;
constexpr int BENCH_DEFAULT_REPS = 3;

/* The positive number of the environment variable name, else fallback. */
inline int bench_env_number(const char *name, int fallback)
{
    const char *e = std::getenv(name);
    int n = e ? std::atoi(e) : 0;
    return n > 0 ? n : fallback;
}

/* Rows of a run, and repetitions of each benchmark. */
inline int bench_rows()
{
    return bench_env_number(BENCH_ROWS_ENV, BENCH_DEFAULT_ROWS);
}
inline int bench_reps()
{
    return bench_env_number(BENCH_REPS_ENV, BENCH_DEFAULT_REPS);
}

/* The run's own folder under the temporary folder, its name starting
 * with prefix (runs side by side, a smoke test among them, never share
 * files); made at the first call, removed at exit; empty when it cannot
 * be made. */
inline const std::string &bench_run_dir(const char *prefix)
{
    static struct run_base {
        std::string path;
        explicit run_base(const char *prefix)
        {
            std::string tmpl = std::filesystem::temp_directory_path().string() + "/" + prefix + "_XXXXXX";
            if (mkdtemp(&tmpl[0])) path = tmpl;
        }
        ~run_base()
        {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    } base(prefix);
    return base.path;
}

/* One ratio printed at the end: the best time of `slow` over that of
 * `fast`, under a label. A ratio per entity compares instead the best
 * real time per entity of the two (their counters BENCH_PER_ENTITY) and
 * also their best processor time per entity (BENCH_CPU_PER_ENTITY). */
struct bench_ratio {
    const char *slow;     /* benchmark name (its function name as registered) */
    const char *fast;     /* benchmark name of the measure it is compared with */
    const char *label;    /* what the ratio says */
    bool per_entity = false;
};

/* The counters of a benchmark that handles entities: its real time per
 * entity (a rate, inverted: seconds), and its processor time per entity
 * (microseconds), that of the benchmark's thread and of the driver
 * program it works with. */
constexpr const char *BENCH_PER_ENTITY = "per_entity";
constexpr const char *BENCH_CPU_PER_ENTITY = "cpu_us_per_entity";

/* The console reporter that also keeps each benchmark's best time, and
 * the lowest value of each of its counters. */
class bench_ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            const std::string &name = r.run_name.function_name;
            double ms = r.real_accumulated_time * 1e3 / (double)(r.iterations ? r.iterations : 1);
            auto it = best.find(name);
            if (it == best.end() || ms < it->second) best[name] = ms;
            for (const auto &c : r.counters) {
                auto b = least[name].find(c.first);
                if (b == least[name].end() || c.second.value < b->second) least[name][c.first] = c.second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    /* The lowest value of a counter of a benchmark, or -1. */
    double counter(const std::string &name, const char *counter) const
    {
        auto b = least.find(name);
        if (b == least.end()) return -1;
        auto c = b->second.find(counter);
        return c == b->second.end() ? -1 : c->second;
    }

    std::map<std::string, double> best;   /* best real time (ms) by benchmark name */
    std::map<std::string, std::map<std::string, double>> least;   /* lowest counters by benchmark name */
};

/* The environment variable giving the busy threads of a contended run;
 * by default one per processor. */
constexpr const char *BENCH_BUSY_ENV = "PV_BENCH_BUSY";

/* The three load averages of /proc/loadavg ("29.12 27.98 32.48"), or "?". */
inline std::string bench_load()
{
    char one[16], five[16], fifteen[16];
    std::string load = "?";
    if (FILE *fp = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(fp, "%15s %15s %15s", one, five, fifteen) == 3)
            load = std::string(one) + " " + five + " " + fifteen;
        std::fclose(fp);
    }
    return load;
}

/* Threads that keep every processor busy while they live, as the other
 * work of a shared machine does: a benchmark run under them measures a
 * process and its driver that must win their processors back. */
class bench_busy {
public:
    explicit bench_busy(int n)
    {
        for (int i = 0; i < n; i++)
            threads.emplace_back([this] {
                volatile unsigned long x = 1;
                while (!stop.load(std::memory_order_relaxed)) x = x * 2862933555777941757ul + 3037000493ul;
            });
    }
    ~bench_busy()
    {
        stop = true;
        for (std::thread &t : threads) t.join();
    }

private:
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
};

/* Runs the benchmarks under a heading, in rounds (each benchmark once a
 * round, the rounds one after another) or, rounds 1, as they were
 * registered; then prints the best times and each ratio whose two
 * benchmarks ran, with the load before and after. */
inline void bench_run_once(const char *heading, const bench_ratio *ratios, size_t count, int rounds = 1)
{
    std::string before = bench_load();
    bench_ratio_reporter rep;
    for (int r = 0; r < rounds; r++) benchmark::RunSpecifiedBenchmarks(&rep);
    std::printf("\n%s: best of %d %s, %d rows, load %s before and %s after; ratios of real time:\n", heading,
                bench_reps(), rounds > 1 ? "rounds" : "repetition(s)", bench_rows(), before.c_str(),
                bench_load().c_str());
    for (const auto &b : rep.best) {
        std::printf("  %-34s %10.2f ms", b.first.c_str(), b.second);
        double wall = rep.counter(b.first, BENCH_PER_ENTITY), cpu = rep.counter(b.first, BENCH_CPU_PER_ENTITY);
        if (wall > 0) std::printf(", %8.2f us per entity", wall * 1e6);
        if (cpu > 0) std::printf(" (processor %.2f)", cpu);
        std::printf("\n");
    }
    for (size_t i = 0; i < count; i++) {
        const bench_ratio &r = ratios[i];
        if (r.per_entity) {
            double s = rep.counter(r.slow, BENCH_PER_ENTITY), f = rep.counter(r.fast, BENCH_PER_ENTITY);
            double sc = rep.counter(r.slow, BENCH_CPU_PER_ENTITY), fc = rep.counter(r.fast, BENCH_CPU_PER_ENTITY);
            if (s < 0 || f <= 0) continue;
            std::printf("  %-72s %6.2fx", r.label, s / f);
            if (sc >= 0 && fc > 0) std::printf(" (processor %.2fx)", sc / fc);
            std::printf("\n");
            continue;
        }
        auto s = rep.best.find(r.slow), f = rep.best.find(r.fast);
        if (s == rep.best.end() || f == rep.best.end() || f->second <= 0) continue;
        std::printf("  %-44s %8.2fx\n", r.label, s->second / f->second);
    }
    std::fflush(stdout);
}

/* Runs the benchmarks of the program, then prints each ratio whose two
 * benchmarks ran. Answers the exit status. */
inline int bench_main(int argc, char **argv, const bench_ratio *ratios, size_t count)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench_run_once("Run", ratios, count);
    benchmark::Shutdown();
    return 0;
}

/* bench_main for the benchmarks that cross to a driver process: they run
 * twice, idle and then contended, beside as many busy threads as the
 * machine has processors (PV_BENCH_BUSY=n to change it, 0 for no second
 * run), and both sets of ratios are printed. With rounds above 1 each
 * run goes through every benchmark (registered without repetitions) that
 * many times, so that measures compared in a ratio meet alike the other
 * work of the machine as it comes and goes. */
inline int bench_main_contended(int argc, char **argv, const bench_ratio *ratios, size_t count, int rounds = 1)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench_run_once("Idle (no busy threads of its own)", ratios, count, rounds);
    const char *e = std::getenv(BENCH_BUSY_ENV);
    int busy = e && *e ? std::atoi(e) : (int)std::thread::hardware_concurrency();
    if (busy > 0) {
        bench_busy threads(busy);
        std::string heading = "Contended (" + std::to_string(busy) + " busy threads)";
        bench_run_once(heading.c_str(), ratios, count, rounds);
    }
    benchmark::Shutdown();
    return 0;
}

#endif
