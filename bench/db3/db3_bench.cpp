/*
 * Speed of the DB3 driver: 100,000 single-row INSERT statements, then one
 * SELECT reading all 100,000 rows back, each through the driver's engine
 * (db3_run), through the engine's C interface and the pvdb3 program, and
 * through the sqlite3 library on an ordinary table of a database file
 * (autocommit, synchronous off: like the driver, no flush to disk per
 * statement). The rows carry the columns of a station table.
 *
 *   bench_db3 --benchmark_filter=Insert
 */
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "drivers/db3/db3_engine.h"
#include "sqlclient/asi_api.h"

namespace {

/* Rows inserted and selected by each benchmark. */
constexpr int BENCH_ROWS = 100000;

const char *const CREATE_TEXT =
    "CREATE TABLE STATN (BASENUMBER DEC(8),STN CHAR(10),DIP NUMERIC(5,1),X DOUBLE,Y DOUBLE,LITH CHAR(20))";
const char *const SELECT_TEXT = "SELECT * FROM STATN";

/* The INSERT text of row i. */
std::string insert_text(int i)
{
    char text[256];
    snprintf(text, sizeof text,
             "INSERT INTO STATN (BASENUMBER,STN,DIP,X,Y,LITH) VALUES (%d,'S%07d',%d.5,%d.25,%d.125,'granite')", i, i,
             i % 90, 500000 + i, 7000000 + i);
    return text;
}

/* A fresh scratch directory. */
std::string scratch(const char *name)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/pvdb3_bench_" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

/* Rows through the driver's engine. */
void Db3Engine(benchmark::State &state)
{
    std::string dir = scratch("engine");
    db3_error err;
    db3_session *s = db3_session_open(dir.c_str(), &err);
    db3_run(s, CREATE_TEXT, nullptr, nullptr, &err);
    for (auto _ : state) {
        for (int i = 0; i < BENCH_ROWS; i++)
            if (!db3_run(s, insert_text(i).c_str(), nullptr, nullptr, &err)) state.SkipWithError(err.text.c_str());
    }
    state.counters["rows/s"] = benchmark::Counter(BENCH_ROWS, benchmark::Counter::kIsIterationInvariantRate);
    db3_session_close(s);
}

void Db3EngineSelect(benchmark::State &state)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/pvdb3_bench_engine";
    db3_error err;
    db3_session *s = db3_session_open(dir.c_str(), &err);
    for (auto _ : state) {
        db3_result r;
        if (!db3_run(s, SELECT_TEXT, &r, nullptr, &err) || r.rows.size() != BENCH_ROWS)
            state.SkipWithError("the select did not read every row");
        benchmark::DoNotOptimize(r.rows.data());
    }
    state.counters["rows/s"] = benchmark::Counter(BENCH_ROWS, benchmark::Counter::kIsIterationInvariantRate);
    db3_session_close(s);
}

/* The same through the sqlite3 library on an ordinary table. */
void Sqlite(benchmark::State &state)
{
    std::string dir = scratch("sqlite");
    sqlite3 *db = nullptr;
    sqlite3_open((dir + "/bench.db").c_str(), &db);
    sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    sqlite3_exec(db, CREATE_TEXT, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < BENCH_ROWS; i++)
            if (sqlite3_exec(db, insert_text(i).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                state.SkipWithError(sqlite3_errmsg(db));
    }
    state.counters["rows/s"] = benchmark::Counter(BENCH_ROWS, benchmark::Counter::kIsIterationInvariantRate);
    sqlite3_close(db);
}

void SqliteSelect(benchmark::State &state)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/pvdb3_bench_sqlite";
    sqlite3 *db = nullptr;
    sqlite3_open((dir + "/bench.db").c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(db, SELECT_TEXT, -1, &q, nullptr);
        long n = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(q); c++) benchmark::DoNotOptimize(sqlite3_column_text(q, c));
            n++;
        }
        sqlite3_finalize(q);
        if (n != BENCH_ROWS) state.SkipWithError("the select did not read every row");
    }
    state.counters["rows/s"] = benchmark::Counter(BENCH_ROWS, benchmark::Counter::kIsIterationInvariantRate);
    sqlite3_close(db);
}

/* A connection to "DB3" through the engine, on dir. */
CAsiConnection *connect_db3(const std::string &dir, CAsiCfgHandle **cfg)
{
    std::ofstream(dir + "/asi.ini") << "[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=" PV_DB3_DRIVER "\n";
    CAsiConnection *c = nullptr;
    if (!asi_init() || !asi_cfg_open((dir + "/asi.ini").c_str(), cfg) || !asi_alloc_connection(&c)
        || !asi_connect(c, "DB3", "", "") || !asi_set_catalog(c, dir.c_str()) || !asi_set_schema(c, ""))
        return nullptr;
    return c;
}

/* Rows through the engine's C interface and the driver program. */
void EngineAndDriver(benchmark::State &state)
{
    std::string dir = scratch("driver");
    CAsiCfgHandle *cfg = nullptr;
    CAsiConnection *c = connect_db3(dir, &cfg);
    if (!c) {
        state.SkipWithError("cannot connect to DB3");
        for (auto _ : state) {
        }
        return;
    }
    CAsiStatement *s = nullptr;
    asi_alloc_stmt(&s);
    asi_prepare(s, c, CREATE_TEXT);
    asi_execute(s, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < BENCH_ROWS; i++)
            if (!asi_prepare(s, c, insert_text(i).c_str()) || !asi_execute(s, nullptr))
                state.SkipWithError("an insert failed");
    }
    state.counters["rows/s"] = benchmark::Counter(BENCH_ROWS, benchmark::Counter::kIsIterationInvariantRate);
    asi_free_stmt(&s);
    asi_disconnect(c);
    asi_free_connection(&c);
    asi_cfg_close(&cfg);
    asi_term();
}

void EngineAndDriverSelect(benchmark::State &state)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/pvdb3_bench_driver";
    CAsiCfgHandle *cfg = nullptr;
    CAsiConnection *c = connect_db3(dir, &cfg);
    if (!c) {
        state.SkipWithError("cannot connect to DB3");
        for (auto _ : state) {
        }
        return;
    }
    for (auto _ : state) {
        CAsiStatement *s = nullptr;
        CAsiCursor *k = nullptr;
        asi_alloc_stmt(&s);
        asi_prepare(s, c, SELECT_TEXT);
        asi_alloc_cursor(&k);
        asi_declare_cursor(k, s, "BENCHCURSORABCDEF");
        asi_open_cursor(k);
        long n = 0;
        char text[64];
        unsigned short ind;
        while (asi_fetch_next(k)) {
            asi_value_get(k, 1, 5, text, sizeof text, &ind);
            n++;
        }
        asi_close_cursor(k);
        asi_free_cursor(&k);
        asi_free_stmt(&s);
        if (n != BENCH_ROWS) state.SkipWithError("the select did not read every row");
    }
    state.counters["rows/s"] = benchmark::Counter(BENCH_ROWS, benchmark::Counter::kIsIterationInvariantRate);
    asi_disconnect(c);
    asi_free_connection(&c);
    asi_cfg_close(&cfg);
    asi_term();
}

} // namespace

BENCHMARK(Db3Engine)->Name("Insert/db3_engine")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineAndDriver)->Name("Insert/engine_and_pvdb3")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Sqlite)->Name("Insert/sqlite3_table")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Db3EngineSelect)->Name("Select/db3_engine")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineAndDriverSelect)->Name("Select/engine_and_pvdb3")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SqliteSelect)->Name("Select/sqlite3_table")->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
