/*
** project_bench.cpp: prj_project_drawing converting a drawing of LINEs
** (10,000 by default, PV_BENCH_ROWS) from UTM zone 31 to longitude and
** latitude on WGS 84, beside PROJ's C API converting the same points (two
** per line, one point per call). Each pass of ours starts from a fresh
** drawing made outside the timing. The end of the run prints the ratio of
** our time to PROJ's.
**
**   bench_project
**   PV_BENCH_ROWS=100000 bench_project --benchmark_repetitions=3
*/
#include <benchmark/benchmark.h>
#include <proj.h>

#include <vector>

#include "bench_ratios.h"
#include "draw/map_params.h"
#include "host_editor.h"
#include "map/prj_project.h"
#include "platform/host_io.h"

namespace {

/* Axes of WGS 84, metres. */
constexpr double WGS84_A = 6378137.0;
constexpr double WGS84_B = 6356752.314245179;
/* Where the lines lie in zone 31, metres, and how far apart they are. */
constexpr double LINE_EAST = 400000.0;
constexpr double LINE_NORTH = 4000000.0;
constexpr double LINE_STEP = 10.0;

/* The two systems, made once. */
prj_rec *g_utm = nullptr;
prj_rec *g_geo = nullptr;

/* Makes the ellipsoid and the two systems. */
void make_systems()
{
    if (g_utm) return;
    dtm_rec *d = dtm_new();
    prj_name_copy(d->name, "WGS 84");
    d->a_m = WGS84_A;
    d->b_m = WGS84_B;
    dtm_insert(d);
    prj_add_builtin_systems();
    g_geo = prj_find("GEOGRAPHIC WGS 84", nullptr);
    prj_rec *p = prj_new();
    prj_name_copy(p->name, "UTM 31 WGS84");
    prj_name_copy(p->type_name, "UTM");
    prj_name_copy(p->dtm_name, "WGS 84");
    p->zone = 31;
    prj_insert(p);
    g_utm = p;
}

/* The start and end of line i. */
void line_points(int i, ads_point a, ads_point b)
{
    a[0] = LINE_EAST + i * LINE_STEP, a[1] = LINE_NORTH + i * LINE_STEP, a[2] = 0;
    b[0] = a[0] + LINE_STEP / 2, b[1] = a[1] - LINE_STEP / 2, b[2] = 0;
}

/* A new drawing of n lines in the UTM system. */
void make_drawing(int n)
{
    host_new_drawing();
    for (int i = 0; i < n; ++i) {
        ads_point a, b;
        line_points(i, a, b);
        struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
        ads_entmake(l);
        ads_relrb(l);
    }
    map_params_set_projection(&g_map_params, g_utm);
}

void Project_petrivex(benchmark::State &state)
{
    make_systems();
    host_io_set_echo(false);
    int n = bench_rows();
    for (auto _ : state) {
        state.PauseTiming();
        make_drawing(n);
        state.ResumeTiming();
        prj_project_drawing(g_geo);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void Project_proj(benchmark::State &state)
{
    PJ *pj = proj_create(PJ_DEFAULT_CTX, "+proj=utm +zone=31 +ellps=WGS84");
    int n = bench_rows();
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            ads_point a, b;
            line_points(i, a, b);
            PJ_COORD p = proj_trans(pj, PJ_INV, proj_coord(a[0], a[1], 0, 0));
            PJ_COORD q = proj_trans(pj, PJ_INV, proj_coord(b[0], b[1], 0, 0));
            sum += proj_todeg(p.lp.lam) + proj_todeg(q.lp.phi);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * n);
    proj_destroy(pj);
}

BENCHMARK(Project_petrivex)->Unit(benchmark::kMillisecond)->Repetitions(bench_reps());
BENCHMARK(Project_proj)->Unit(benchmark::kMillisecond)->Repetitions(bench_reps());

const bench_ratio RATIOS[] = {{"Project_petrivex", "Project_proj", "prj_project_drawing / PROJ C API"}};

}  // namespace

int main(int argc, char **argv)
{
    if (!std::getenv(BENCH_ROWS_ENV)) setenv(BENCH_ROWS_ENV, "10000", 1);
    return bench_main(argc, argv, RATIOS, std::size(RATIOS));
}
