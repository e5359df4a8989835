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
#include <cstdio>
#include <iterator>
#include <unistd.h>

#include "bench/bench_ratios.h"
#include "bench/driver_peak.h"
#include "sqlclient/asi_api.h"

/* The query every side runs. */
constexpr const char *BENCH_SELECT_TEXT = "SELECT * FROM STATN";

/* How each column of STATN is read in its own type. */
enum bench_kind { BENCH_INT, BENCH_TEXT, BENCH_REAL };
constexpr bench_kind BENCH_COLUMN_KINDS[] = {BENCH_INT, BENCH_TEXT, BENCH_REAL, BENCH_REAL, BENCH_REAL, BENCH_TEXT};
constexpr int BENCH_COLUMNS = (int)std::size(BENCH_COLUMN_KINDS);
/* Bytes of a text column's buffer. */
constexpr int BENCH_TEXT_BUFFER = 32;

/* Prepares text on c and declares a cursor on it, into *s and *k (opened
 * by the caller once its columns are bound). */
inline void bench_declare(CAsiConnection *c, const char *text, CAsiStatement **s, CAsiCursor **k)
{
    *s = nullptr;
    *k = nullptr;
    asi_alloc_stmt(s);
    asi_prepare(*s, c, text);
    asi_alloc_cursor(k);
    asi_declare_cursor(*k, *s, "BENCHCURSORABCDEF");
}

/* Closes and frees what bench_declare made. */
inline void bench_release(CAsiStatement **s, CAsiCursor **k)
{
    asi_close_cursor(*k);
    asi_free_cursor(k);
    asi_free_stmt(s);
}

/* The rows of text, which keeps every row of STATN, through the engine
 * on connection c, once per benchmark iteration; skips with an error
 * when c is null or a row is missing. */
inline void bench_engine_select_text(benchmark::State &state, CAsiConnection *c, const char *text)
{
    std::int32_t ints[BENCH_COLUMNS];
    double reals[BENCH_COLUMNS];
    char texts[BENCH_COLUMNS][BENCH_TEXT_BUFFER];
    unsigned short ind[BENCH_COLUMNS];
    for (auto _ : state) {
        if (!c) break;
        CAsiStatement *s;
        CAsiCursor *k;
        bench_declare(c, text, &s, &k);
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
        bench_release(&s, &k);
        if (n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
}

/* Every row of STATN through the engine on connection c (as above). */
inline void bench_engine_select(benchmark::State &state, CAsiConnection *c)
{
    bench_engine_select_text(state, c, BENCH_SELECT_TEXT);
}

/* Every row of STATN through the engine on connection c, each value read
 * by asi_value_get into a buffer of its own type, once per iteration. */
inline void bench_engine_select_values(benchmark::State &state, CAsiConnection *c)
{
    std::int32_t i32 = 0;
    double real = 0;
    char text[BENCH_TEXT_BUFFER];
    unsigned short ind = 0;
    for (auto _ : state) {
        if (!c) break;
        CAsiStatement *s;
        CAsiCursor *k;
        bench_declare(c, BENCH_SELECT_TEXT, &s, &k);
        asi_open_cursor(k);
        long n = 0;
        while (asi_fetch_next(k)) {
            for (int i = 0; i < BENCH_COLUMNS; i++) {
                if (BENCH_COLUMN_KINDS[i] == BENCH_INT)
                    asi_value_get(k, i, ASI_HOST_LONG, &i32, sizeof i32, &ind);
                else if (BENCH_COLUMN_KINDS[i] == BENCH_REAL)
                    asi_value_get(k, i, ASI_HOST_DOUBLE, &real, sizeof real, &ind);
                else
                    asi_value_get(k, i, ASI_HOST_STRING, text, BENCH_TEXT_BUFFER, &ind);
            }
            n++;
        }
        benchmark::DoNotOptimize(i32);
        bench_release(&s, &k);
        if (n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
}

/* Look-ups of one row by BASENUMBER a benchmark iteration makes. */
constexpr int BENCH_LOOKUPS = 200;

/* The BASENUMBER of look-up i: spread over the rows. */
inline long bench_lookup_key(int i)
{
    return (long)((i * 7919L + 13) % bench_rows());
}

/* One look-up through the engine on c as the application makes it: the
 * statement with the key as a literal prepared, its cursor opened and
 * moved to its last row (which counts the rows, and is the row when there
 * is one), the row read value by value, the handles freed. Answers the
 * rows counted. */
inline long bench_engine_lookup(CAsiConnection *c, long key)
{
    char text[96];
    std::snprintf(text, sizeof text, "SELECT * FROM STATN WHERE BASENUMBER = %ld", key);
    CAsiStatement *s;
    CAsiCursor *k;
    bench_declare(c, text, &s, &k);
    asi_open_cursor(k);
    long n = asi_fetch_last(k) ? asi_row_number(k) : 0;
    char buf[BENCH_TEXT_BUFFER];
    unsigned short ind = 0;
    if (n > 0)
        for (int i = 0; i < BENCH_COLUMNS; i++) asi_value_get(k, i, ASI_HOST_STRING, buf, BENCH_TEXT_BUFFER, &ind);
    bench_release(&s, &k);
    return n;
}

/* BENCH_LOOKUPS look-ups through the engine on c per iteration (one made
 * before timing, which builds what the driver keeps). */
inline void bench_engine_lookups(benchmark::State &state, CAsiConnection *c)
{
    if (c) bench_engine_lookup(c, 0);
    for (auto _ : state) {
        if (!c) break;
        for (int i = 0; i < BENCH_LOOKUPS; i++)
            if (bench_engine_lookup(c, bench_lookup_key(i)) != 1) state.SkipWithError("a look-up did not find its row");
    }
}

/* BENCH_LOOKUPS prepares of the SELECT of every row of STATN through the
** engine on c per iteration, each freed without opening: what the
** application does to learn a table's columns. */
inline void bench_engine_describes(benchmark::State &state, CAsiConnection *c)
{
    for (auto _ : state) {
        if (!c) break;
        for (int i = 0; i < BENCH_LOOKUPS; i++) {
            CAsiStatement *s = nullptr;
            if (!asi_alloc_stmt(&s) || !asi_prepare(s, c, BENCH_SELECT_TEXT))
                state.SkipWithError("a prepare failed");
            asi_free_stmt(&s);
        }
    }
}

#endif /* PV_BENCH_BENCH_STATION_H */
