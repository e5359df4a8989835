/*
** transport_bench.cpp: rows per second of the application's fetch loop
** (open, fetch next into bound buffers until no row, close) through the C
** interface, the driver transport and a driver process, side by side: the
** driver answering with blocks of rows, and the same driver answering one
** row per fetch.  At the end the ratio is printed.
**
**     bench_transport
*/
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/bench_ratios.h"
#include "sqlclient/asi_api.h"

namespace {

/* The environment variable that makes the benchmark driver answer one row
** per fetch. */
constexpr const char *ONE_ROW_ENV = "PV_BENCH_ONE_ROW";

/* The engine connected to the benchmark driver twice, set up once: the
** environment BENCH serves blocks, ONEROW one row per fetch. */
struct bench_engine {
    std::string dir;                     /* scratch directory with asi.ini */
    CAsiCfgHandle *cfg = nullptr;        /* the store */
    CAsiConnection *conn[2] = {};        /* blocks, one row */
    CAsiStatement *stmt[2] = {};         /* the prepared query on each */
    int ok = 0;                          /* 1 when all of it worked */

    bench_engine()
    {
        char tmpl[] = "/tmp/pv_bench_XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        dir = tmpl;
        std::ofstream(dir + "/asi.ini") << "[BENCH]\nDriver=" PV_BENCH_DRIVER "\n\n[ONEROW]\nDriver=" PV_BENCH_DRIVER "\n";
        ok = asi_init() && asi_cfg_open((dir + "/asi.ini").c_str(), &cfg);
        const char *envs[2] = {"BENCH", "ONEROW"};
        for (int i = 0; ok && i < 2; i++) {
            if (i == 1)
                setenv(ONE_ROW_ENV, "1", 1);   /* the driver started now inherits it */
            ok = asi_alloc_connection(&conn[i]) && asi_connect(conn[i], envs[i], "", "") && asi_alloc_stmt(&stmt[i]) &&
                 asi_prepare(stmt[i], conn[i], "SELECT * FROM ROWS");
            unsetenv(ONE_ROW_ENV);
        }
    }

    ~bench_engine()
    {
        for (int i = 0; i < 2; i++) {
            asi_free_stmt(&stmt[i]);
            asi_free_connection(&conn[i]);
        }
        asi_cfg_close(&cfg);
        asi_term();
        std::string cmd = "rm -rf " + dir;
        (void)std::system(cmd.c_str());
    }
};

/* One pass over the whole table per iteration, on connection `which`. */
void fetch_loop(benchmark::State &state, int which)
{
    static bench_engine eng;
    if (!eng.ok) {
        state.SkipWithError("the benchmark driver could not be reached");
        return;
    }
    std::int32_t id = 0;
    double x = 0;
    char amount[32];
    unsigned short ind[3];
    long rows = 0;
    for (auto _ : state) {
        CAsiCursor *k = nullptr;
        asi_alloc_cursor(&k);
        asi_declare_cursor(k, eng.stmt[which], "BENCHCURSORABCDEF");
        asi_bind_column(k, 0, ASI_HOST_LONG, &id, sizeof id, &ind[0]);
        asi_bind_column(k, 1, ASI_HOST_DOUBLE, &x, sizeof x, &ind[1]);
        asi_bind_column(k, 2, ASI_HOST_STRING, amount, sizeof amount, &ind[2]);
        if (!asi_open_cursor(k)) {
            state.SkipWithError("cannot open the cursor");
            break;
        }
        while (asi_fetch_next(k))
            rows++;
        asi_close_cursor(k);
        asi_free_cursor(&k);
        benchmark::DoNotOptimize(id);
    }
    state.SetItemsProcessed(rows);
    state.counters["rows_per_second"] = benchmark::Counter((double)rows, benchmark::Counter::kIsRate);
}

void FetchLoopBlocks(benchmark::State &state)
{
    fetch_loop(state, 0);
}

void FetchLoopOneRow(benchmark::State &state)
{
    fetch_loop(state, 1);
}

/* The ratio the run prints. */
const bench_ratio RATIOS[] = {
    {"FetchLoop/one_row_per_fetch", "FetchLoop/rows_in_blocks", "fetch loop: one row per fetch / blocks"},
};

} // namespace

int main(int argc, char **argv)
{
    for (auto *b : {benchmark::RegisterBenchmark("FetchLoop/rows_in_blocks", FetchLoopBlocks),
                    benchmark::RegisterBenchmark("FetchLoop/one_row_per_fetch", FetchLoopOneRow)})
        b->Repetitions(bench_reps())->Unit(benchmark::kMillisecond)->UseRealTime();
    return bench_main_contended(argc, argv, RATIOS, std::size(RATIOS));
}
