/*
 * bench_station.h: the station table the SQL benchmarks read, and its
 * SELECT through the engine's C interface, shared by the benchmarks of
 * every driver: each value goes into a bound buffer of its own type.
 *
 *   bench_engine_select(state, connection);   // one SELECT of every row a loop
 */
#ifndef PV_BENCH_BENCH_STATION_H
#define PV_BENCH_BENCH_STATION_H

#include <cstdint>
#include <iterator>

#include "bench/bench_ratios.h"
#include "sqlclient/asi_api.h"

/* The query every side runs. */
constexpr const char *BENCH_SELECT_TEXT = "SELECT * FROM STATN";

/* How each column of STATN is read in its own type. */
enum bench_kind { BENCH_INT, BENCH_TEXT, BENCH_REAL };
constexpr bench_kind BENCH_COLUMN_KINDS[] = {BENCH_INT, BENCH_TEXT, BENCH_REAL, BENCH_REAL, BENCH_REAL, BENCH_TEXT};
constexpr int BENCH_COLUMNS = (int)std::size(BENCH_COLUMN_KINDS);
/* Bytes of a text column's buffer. */
constexpr int BENCH_TEXT_BUFFER = 32;

/* Every row of STATN through the engine on connection c, once per
 * benchmark iteration; skips with an error when c is null or a row is
 * missing. */
inline void bench_engine_select(benchmark::State &state, CAsiConnection *c)
{
    std::int32_t ints[BENCH_COLUMNS];
    double reals[BENCH_COLUMNS];
    char texts[BENCH_COLUMNS][BENCH_TEXT_BUFFER];
    unsigned short ind[BENCH_COLUMNS];
    for (auto _ : state) {
        if (!c) break;
        CAsiStatement *s = nullptr;
        CAsiCursor *k = nullptr;
        asi_alloc_stmt(&s);
        asi_prepare(s, c, BENCH_SELECT_TEXT);
        asi_alloc_cursor(&k);
        asi_declare_cursor(k, s, "BENCHCURSORABCDEF");
        for (int i = 0; i < BENCH_COLUMNS; i++) {
            if (BENCH_COLUMN_KINDS[i] == BENCH_INT)
                asi_bind_column(k, i, ASI_HOST_LONG, &ints[i], sizeof ints[i], &ind[i]);
            else if (BENCH_COLUMN_KINDS[i] == BENCH_REAL)
                asi_bind_column(k, i, ASI_HOST_DOUBLE, &reals[i], sizeof reals[i], &ind[i]);
            else
                asi_bind_column(k, i, ASI_HOST_STRING, texts[i], BENCH_TEXT_BUFFER, &ind[i]);
        }
        asi_open_cursor(k);
        long n = 0;
        while (asi_fetch_next(k)) n++;
        benchmark::DoNotOptimize(ints[0]);
        asi_close_cursor(k);
        asi_free_cursor(&k);
        asi_free_stmt(&s);
        if (n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
}

#endif /* PV_BENCH_BENCH_STATION_H */
