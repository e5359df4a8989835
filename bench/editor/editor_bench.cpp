/*
 * Entity by entity in the stand-in editor, over drawings of N, 10 N and
 * 100 N texts on a 30 m grid (N = PV_BENCH_ROWS / 100, 1,000 by default)
 * some thousand kilometres from a line at the origin, where pv-map puts
 * the map's setup:
 * for each entity a crossing selection around it, as the commands that
 * find the entities of one row make it, then a walk of the drawing and
 * each entity moved and erased. The ratios print the time per entity of
 * the largest drawing over that of the smallest: flat is 1. A plotted map
 * of as many stations (each a TEXT linked to its row, as pv-map and a plot
 * leave it) is saved as DXF and opened by pvhost in a process of its own,
 * whose peak memory is given per entity of the map.
 *
 *   bench_editor                                 (1,000 to 100,000 texts)
 *   PV_BENCH_ROWS=50 PV_BENCH_REPS=1 bench_editor   (the smoke test of CI)
 */
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_ratios.h"
#include "host_editor.h"
#include "platform/host_io.h"
#include "ads_host.h"

namespace {

/* Spacing of the texts, drawing units. */
constexpr double GRID_M = 30;
/* Half the side of the window around each text. */
constexpr double WINDOW_HALF_M = 5;

/* Where the texts' grid starts, drawing units. */
constexpr double GRID_EAST = 600000, GRID_NORTH = 5600000;

/* A new drawing of n texts on the grid. */
void make_drawing(long n)
{
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_new_drawing();
    ads_point o = {0, 0, 0}, one = {1, 1, 0};
    struct resbuf *setup = ads_buildlist(RTDXF0, "LINE", 10, o, 11, one, 0);
    ads_entmake(setup);
    ads_relrb(setup);
    long side = 1;
    while (side * side < n) side++;
    for (long i = 0; i < n; i++) {
        ads_point p = {GRID_EAST + (double)(i % side) * GRID_M, GRID_NORTH + (double)(i / side) * GRID_M, 0};
        struct resbuf *l = ads_buildlist(RTDXF0, "TEXT", 10, p, 40, 2.0, 1, "ST", 0);
        ads_entmake(l);
        ads_relrb(l);
    }
}

/* The entities of a benchmark whose drawing is times N texts. */
long entities(long times)
{
    return times * (bench_rows() / 100 > 0 ? bench_rows() / 100 : 1);
}

#ifdef PV_PVHOST
/* The run's own folder under the temporary folder, removed at exit. */
const std::string &run_dir()
{
    return bench_run_dir("pv_bench_editor");
}

/* A plotted map of n stations saved as DXF in the run's folder (made once
 * per size): by each station a TEXT showing its name as a symbol setup
 * draws it (style, layer, size, turn, centred, colour), linked to its row
 * by its extended data. */
std::string write_map_dxf(long n)
{
    std::string file = run_dir() + "/map" + std::to_string(n) + ".dxf";
    if (std::filesystem::exists(file)) return file;
    make_drawing(0);
    ads_regapp("PETRIVEX");
    long side = 1;
    while (side * side < n) side++;
    for (long i = 0; i < n; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "S%ld", i + 1);
        ads_point at = {GRID_EAST + (double)(i % side) * GRID_M + 3, GRID_NORTH + (double)(i / side) * GRID_M, 0};
        struct resbuf *l = ads_buildlist(RTDXF0, "TEXT", 1, name, 7, "STANDARD", 8, "PV_SYMBOLS", 10, at, 40, 2.5, 50,
                                         0.0, 72, 1, 73, 2, 11, at, 62, 3, -3, 1001, "PETRIVEX", 1000, "GEO", 1000,
                                         "STATN", 1071, (long)(i + 1), 1000, "NAME", 1000, name, 0);
        ads_entmake(l);
        ads_relrb(l);
    }
    std::string err;
    if (!host_save_drawing(file, err)) std::fprintf(stderr, "%s\n", err.c_str());
    make_drawing(0);
    return file;
}

/* pvhost opening the plotted map of times N stations and quitting, in a
 * process of its own (its user folder the run's), once an iteration; its
 * peak memory is a counter, in all and per entity of the map. */
void OpenMap(benchmark::State &state, long times)
{
    long n = entities(times);
    std::string file = write_map_dxf(n), script = run_dir() + "/quit.scr";
    std::ofstream(script) << "QUIT\n";
    std::string home = "HOME=" + run_dir(), data = "XDG_DATA_HOME=" + run_dir() + "/data";
    std::vector<std::string> args = {PV_PVHOST,       "--quiet",   "--module", PV_MODULE,  "--resources",
                                     PV_RESOURCE_DIR, "--drawing", file,       "--script", script};
    std::vector<char *> argv, envp;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    for (std::string *e : {&home, &data}) envp.push_back(&(*e)[0]);
    envp.push_back(nullptr);
    long peak_kb = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        struct rusage use {};
        if (posix_spawn(&pid, PV_PVHOST, nullptr, nullptr, argv.data(), envp.data()) != 0 ||
            wait4(pid, &status, 0, &use) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("pvhost did not open the map");
            break;
        }
        peak_kb = std::max(peak_kb, (long)use.ru_maxrss);
    }
    state.counters["pvhost_peak_MB"] = (double)peak_kb / 1024.0;
    state.counters["bytes_per_entity"] = (double)peak_kb * 1024.0 / (double)n;
}
#endif

/* For each text a crossing selection around it. */
void CrossingPerEntity(benchmark::State &state, long times)
{
    long n = entities(times);
    make_drawing(n);
    long side = 1;
    while (side * side < n) side++;
    for (auto _ : state) {
        for (long i = 0; i < n; i++) {
            double x = GRID_EAST + (double)(i % side) * GRID_M, y = GRID_NORTH + (double)(i / side) * GRID_M;
            ads_point a = {x - WINDOW_HALF_M, y - WINDOW_HALF_M, 0}, b = {x + WINDOW_HALF_M, y + WINDOW_HALF_M, 0};
            ads_name ss;
            if (ads_ssget("C", a, b, nullptr, ss) != RTNORM) {
                state.SkipWithError("a text was not found");
                break;
            }
            ads_ssfree(ss);
        }
    }
}

/* A walk of the drawing, each text moved a little and then erased. */
void WalkMoveErasePerEntity(benchmark::State &state, long times)
{
    long n = entities(times);
    for (auto _ : state) {
        state.PauseTiming();
        make_drawing(n);
        state.ResumeTiming();
        ads_name e, next, ss;
        ads_matrix m = {{1, 0, 0, 0.5}, {0, 1, 0, 0.5}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        bool more = ads_entnext(nullptr, e) == RTNORM;
        while (more) {
            more = ads_entnext(e, next) == RTNORM;
            ads_ssadd(e, nullptr, ss);
            ads_xformss(ss, m);
            ads_ssfree(ss);
            ads_entdel(e);
            e[0] = next[0], e[1] = next[1];
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (long times : {1L, 10L, 100L}) {
        std::string suffix = "/" + std::to_string(times) + "N";
        for (auto *b : {benchmark::RegisterBenchmark(("Crossing" + suffix).c_str(), CrossingPerEntity, times),
                        benchmark::RegisterBenchmark(("WalkMoveErase" + suffix).c_str(), WalkMoveErasePerEntity, times)})
            b->Iterations(1)->Repetitions(bench_reps())->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef PV_PVHOST
        benchmark::RegisterBenchmark(("OpenMap" + suffix).c_str(), OpenMap, times)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
#endif
    }
    static const bench_ratio RATIOS[] = {
        {"Crossing/100N", "Crossing/1N", "crossings, 100 N / N (flat: 100)"},
        {"WalkMoveErase/100N", "WalkMoveErase/1N", "walk, move, erase, 100 N / N (flat: 100)"},
    };
    return bench_main(argc, argv, RATIOS, std::size(RATIOS));
}
