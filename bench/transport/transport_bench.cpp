/*
** transport_bench.cpp: rows per second of the application's fetch loop
** (open, fetch next into bound buffers until no row, close) through the C
** interface, the driver transport and a driver process.
*/
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sqlclient/asi_api.h"

namespace {

/* The engine connected to the benchmark driver, set up once. */
struct bench_engine {
    std::string dir;                  /* scratch directory with asi.ini */
    CAsiCfgHandle *cfg = nullptr;     /* the store */
    CAsiConnection *conn = nullptr;   /* the connection */
    CAsiStatement *stmt = nullptr;    /* the prepared query */
    int ok = 0;                       /* 1 when all of it worked */

    bench_engine()
    {
        char tmpl[] = "/tmp/pv_bench_XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        dir = tmpl;
        std::ofstream(dir + "/asi.ini") << "[BENCH]\nDriver=" PV_BENCH_DRIVER "\n";
        ok = asi_init() && asi_cfg_open((dir + "/asi.ini").c_str(), &cfg) && asi_alloc_connection(&conn) &&
             asi_connect(conn, "BENCH", "", "") && asi_alloc_stmt(&stmt) &&
             asi_prepare(stmt, conn, "SELECT * FROM ROWS");
    }

    ~bench_engine()
    {
        asi_free_stmt(&stmt);
        asi_free_connection(&conn);
        asi_cfg_close(&cfg);
        asi_term();
        std::string cmd = "rm -rf " + dir;
        (void)std::system(cmd.c_str());
    }
};

/* One pass over the whole table per iteration. */
void BM_FetchLoop(benchmark::State &state)
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
        asi_declare_cursor(k, eng.stmt, "BENCHCURSORABCDEF");
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
BENCHMARK(BM_FetchLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
