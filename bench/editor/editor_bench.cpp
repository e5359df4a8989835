/*
 * Entity by entity in the stand-in editor, over drawings of N, 10 N and
 * 100 N texts on a 30 m grid (N = PV_BENCH_ROWS / 100, 1,000 by default)
 * some thousand kilometres from a line at the origin, where pv-map puts
 * the map's setup:
 * for each entity a crossing selection around it, as the commands that
 * find the entities of one row make it, then a walk of the drawing and
 * each entity moved and erased. The ratios print the time per entity of
 * the largest drawing over that of the smallest: flat is 1.
 *
 *   bench_editor                                 (1,000 to 100,000 texts)
 *   PV_BENCH_ROWS=50 PV_BENCH_REPS=1 bench_editor   (the smoke test of CI)
 */
#include <string>

#include "bench/bench_ratios.h"
#include "host_editor.h"
#include "platform/host_io.h"
#include "ads_host.h"

namespace {

/* Spacing of the texts, drawing units, and where their grid starts. */
constexpr double GRID_M = 30;
constexpr double GRID_EAST = 600000, GRID_NORTH = 5600000;
/* Half the side of the window around each text. */
constexpr double WINDOW_HALF_M = 5;

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
    }
    static const bench_ratio RATIOS[] = {
        {"Crossing/100N", "Crossing/1N", "crossings, 100 N / N (flat: 100)"},
        {"WalkMoveErase/100N", "WalkMoveErase/1N", "walk, move, erase, 100 N / N (flat: 100)"},
    };
    return bench_main(argc, argv, RATIOS, std::size(RATIOS));
}
