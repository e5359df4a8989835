/*
 * Speed of the DB3 driver beside SQLite, side by side in one run: single-row
 * INSERT statements, then a SELECT of every row of a prepared table, each
 * through the driver's engine called in the same process (db3_run, and a
 * cursor read row by row for the SELECT), through
 * the engine's C interface and the pvdb3 program, and through the sqlite3
 * library on an ordinary table of a database file. Every side reads each
 * value in its own type (SQLite with sqlite3_column_int64, _double or _text
 * as the column's type asks; the engine into bound buffers of those types).
 * SQLite's INSERT runs with its default rollback journal and with
 * journal_mode=MEMORY, both with synchronous off (like the driver, no flush
 * to disk per statement). The SELECT reads tables made for it alone, so it
 * does not depend on what the INSERT benchmarks left. The rows carry the
 * columns of a station table. The same SELECT is read value by value
 * (asi_value_get), and through a WHERE no index serves, each with pvdb3's
 * peak memory as a counter, and BASENUMBER
 * is looked up row by row (each a statement of its own) beside SQLite with
 * an index on it; the same SELECT is prepared and freed unopened, as the
 * application does to learn a table's columns. Two station tables of a
 * twentieth and a tenth of the rows (both longer than a window of the
 * driver's scans at 100,000) are joined on STN, which no index serves, so
 * that each row of one scans the whole other again, and the same join is
 * run as a correlated subquery, both with pvdb3's peak memory (SQLite
 * builds an automatic index for the join, not for the subquery). At the
 * end the ratios are printed.
 *
 *   bench_db3                               (100,000 rows, best of 3)
 *   PV_BENCH_ROWS=50 PV_BENCH_REPS=1 bench_db3   (the smoke test of CI)
 */
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_ratios.h"
#include "bench/bench_station.h"
#include "drivers/db3/db3_engine.h"
#include "sqlclient/asi_api.h"

namespace {

const char *const CREATE_TEXT =
    "CREATE TABLE STATN (BASENUMBER DEC(8),STN CHAR(10),DIP NUMERIC(5,1),X DOUBLE,Y DOUBLE,LITH CHAR(20))";
const char *const SELECT_TEXT = BENCH_SELECT_TEXT;
/* The same rows through a WHERE that reads every record (LITH is in no
 * index). */
const char *const SELECT_WHERE_TEXT = "SELECT * FROM STATN WHERE LITH = 'granite'";
constexpr const bench_kind *COLUMN_KINDS = BENCH_COLUMN_KINDS;
constexpr int COLUMNS = BENCH_COLUMNS;

/* Rows per INSERT statement when a SELECT table is filled. */
constexpr int FILL_ROWS_PER_STATEMENT = 500;

/* The VALUES list of row i. */
std::string row_values(int i)
{
    char text[160];
    snprintf(text, sizeof text, "(%d,'S%07d',%d.5,%d.25,%d.125,'granite')", i, i, i % 90, 500000 + i, 7000000 + i);
    return text;
}

/* The INSERT text of row i. */
std::string insert_text(int i)
{
    return "INSERT INTO STATN (BASENUMBER,STN,DIP,X,Y,LITH) VALUES " + row_values(i);
}

/* Rows of the joined tables JA and JB (JB twice as many; each row of JA
 * has one of JB with its STN). */
int join_rows()
{
    return std::max(1, bench_rows() / 20);
}

/* The joins' texts: each gives one row per row of JA. */
const char *const JOIN_TEXT = "SELECT JA.BASENUMBER, JB.BASENUMBER FROM JA, JB WHERE JB.STN = JA.STN";
const char *const JOIN_SUBQUERY_TEXT = "SELECT BASENUMBER, (SELECT COUNT(*) FROM JB WHERE JB.STN = JA.STN) FROM JA";

/* The INSERT texts that fill table name with rows rows (every row of the
 * run by default), many rows each. */
std::vector<std::string> fill_texts(const char *name = "STATN", int rows = bench_rows())
{
    std::vector<std::string> out;
    for (int i = 0; i < rows; i += FILL_ROWS_PER_STATEMENT) {
        std::string t = std::string("INSERT INTO ") + name + " (BASENUMBER,STN,DIP,X,Y,LITH) VALUES ";
        for (int j = i; j < i + FILL_ROWS_PER_STATEMENT && j < rows; j++) t += (j > i ? "," : "") + row_values(j);
        out.push_back(t);
    }
    return out;
}

/* The run's own directory under the temporary directory (runs side by
 * side, a smoke test among them, never share files); removed at exit. */
const std::string &run_dir()
{
    return bench_run_dir("pvdb3_bench");
}

/* A fresh scratch directory of the run. */
std::string scratch(const char *name)
{
    std::string dir = run_dir() + "/" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

/* The SELECT tables and their rows. */
std::vector<std::pair<const char *, int>> tables()
{
    return {{"STATN", bench_rows()}, {"JA", join_rows()}, {"JB", 2 * join_rows()}};
}

/* CREATE_TEXT for table name. */
std::string create_text(const char *name)
{
    std::string t = CREATE_TEXT;
    return t.replace(t.find("STATN"), 5, name);
}

/* Directories of the SELECT tables, filled once per run. */
std::string select_dir(const char *side)
{
    static std::string db3, sqlite;
    if (db3.empty()) {
        db3 = scratch("select_db3");
        db3_error err;
        db3_session *s = db3_session_open(db3.c_str(), &err);
        for (const auto &[name, rows] : tables()) {
            db3_run(s, create_text(name).c_str(), nullptr, nullptr, &err);
            for (const std::string &t : fill_texts(name, rows)) db3_run(s, t.c_str(), nullptr, nullptr, &err);
        }
        db3_session_close(s);
        sqlite = scratch("select_sqlite");
        sqlite3 *db = nullptr;
        sqlite3_open((sqlite + "/bench.db").c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (const auto &[name, rows] : tables()) {
            sqlite3_exec(db, create_text(name).c_str(), nullptr, nullptr, nullptr);
            for (const std::string &t : fill_texts(name, rows)) sqlite3_exec(db, t.c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    return std::string(side) == "db3" ? db3 : sqlite;
}

/* Single-row INSERTs through the driver's engine in this process. */
void Db3EngineInsert(benchmark::State &state)
{
    std::string dir = scratch("engine");
    db3_error err;
    db3_session *s = db3_session_open(dir.c_str(), &err);
    db3_run(s, CREATE_TEXT, nullptr, nullptr, &err);
    for (auto _ : state) {
        for (int i = 0; i < bench_rows(); i++)
            if (!db3_run(s, insert_text(i).c_str(), nullptr, nullptr, &err)) state.SkipWithError(err.text.c_str());
    }
    db3_session_close(s);
}

/* The same through the sqlite3 library, in the journal mode given. */
void SqliteInsert(benchmark::State &state, const char *journal)
{
    std::string dir = scratch("sqlite");
    sqlite3 *db = nullptr;
    sqlite3_open((dir + "/bench.db").c_str(), &db);
    sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    if (journal) sqlite3_exec(db, journal, nullptr, nullptr, nullptr);
    sqlite3_exec(db, CREATE_TEXT, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < bench_rows(); i++)
            if (sqlite3_exec(db, insert_text(i).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                state.SkipWithError(sqlite3_errmsg(db));
    }
    sqlite3_close(db);
}

void SqliteInsertDefaultJournal(benchmark::State &state)
{
    SqliteInsert(state, nullptr);
}

void SqliteInsertMemoryJournal(benchmark::State &state)
{
    SqliteInsert(state, "PRAGMA journal_mode = MEMORY");
}

/* Every row through the driver's engine in this process, read row by row
 * (its rows come as values of their own types). */
void Db3EngineSelect(benchmark::State &state)
{
    std::string dir = select_dir("db3");
    db3_error err;
    db3_session *s = db3_session_open(dir.c_str(), &err);
    db3_stmt *st = db3_prepare(s, SELECT_TEXT, &err);
    if (!st) state.SkipWithError(err.text.c_str());
    std::vector<db3_value> row;
    for (auto _ : state) {
        long n = 0;
        int got = 0;
        if (st && db3_cursor_open(st, nullptr, &err))
            while ((got = db3_cursor_next(st, &row, &err)) == 1) {
                benchmark::DoNotOptimize(row.data());
                n++;
            }
        if (got != 0 || n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
    db3_stmt_free(st);
    db3_session_close(s);
}

/* Every row through the sqlite3 library, each value in its own type. */
void SqliteSelect(benchmark::State &state)
{
    std::string dir = select_dir("sqlite");
    sqlite3 *db = nullptr;
    sqlite3_open((dir + "/bench.db").c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(db, SELECT_TEXT, -1, &q, nullptr);
        long n = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            for (int c = 0; c < COLUMNS; c++) {
                if (COLUMN_KINDS[c] == BENCH_INT) benchmark::DoNotOptimize(sqlite3_column_int64(q, c));
                else if (COLUMN_KINDS[c] == BENCH_REAL) benchmark::DoNotOptimize(sqlite3_column_double(q, c));
                else benchmark::DoNotOptimize(sqlite3_column_text(q, c));
            }
            n++;
        }
        sqlite3_finalize(q);
        if (n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
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

/* Ends the connection and the engine. */
void disconnect_db3(CAsiConnection *c, CAsiCfgHandle *cfg)
{
    if (c) asi_disconnect(c);
    asi_free_connection(&c);
    asi_cfg_close(&cfg);
    asi_term();
}

/* Single-row INSERTs through the engine's C interface and pvdb3: each
 * prepared and executed, as the application's access layer does. */
void EngineAndDriverInsert(benchmark::State &state)
{
    std::string dir = scratch("driver");
    CAsiCfgHandle *cfg = nullptr;
    CAsiConnection *c = connect_db3(dir, &cfg);
    CAsiStatement *s = nullptr;
    if (!c || !asi_alloc_stmt(&s) || !asi_prepare(s, c, CREATE_TEXT) || !asi_execute(s, nullptr))
        state.SkipWithError("cannot connect to DB3");
    for (auto _ : state) {
        for (int i = 0; c && i < bench_rows(); i++)
            if (!asi_prepare(s, c, insert_text(i).c_str()) || !asi_execute(s, nullptr))
                state.SkipWithError("an insert failed");
    }
    asi_free_stmt(&s);
    disconnect_db3(c, cfg);
}

/* Runs one of the engine's benchmarks (bench_station.h) on a connection
 * to the SELECT tables through pvdb3; with the benchmark's name in
 * peak_of, pvdb3's peak memory becomes a counter, held to its bound. */
void on_select_tables(benchmark::State &state, void (*run)(benchmark::State &, CAsiConnection *),
                      const char *peak_of = nullptr)
{
    std::string dir = select_dir("db3");
    CAsiCfgHandle *cfg = nullptr;
    CAsiConnection *c = connect_db3(dir, &cfg);
    if (!c) state.SkipWithError("cannot connect to DB3");
    run(state, c);
    if (peak_of) {
        long kb = driver_peak_kb();
        state.counters["pvdb3_peak_MB"] = (double)kb / 1024.0;
        driver_peak_within(peak_of, kb);
    }
    disconnect_db3(c, cfg);
}

/* Every row through the engine's C interface and pvdb3, each value into a
 * bound buffer of its own type. */
void EngineAndDriverSelect(benchmark::State &state)
{
    on_select_tables(state, bench_engine_select);
}

/* Every row through the engine's C interface and pvdb3, each value read
 * by asi_value_get, with the driver program's peak memory. */
void EngineAndDriverSelectValues(benchmark::State &state)
{
    on_select_tables(state, bench_engine_select_values, "SelectValues/engine_and_pvdb3");
}

/* Every row through the engine's C interface and pvdb3 as a WHERE on a
 * column no index serves keeps it (the table read through SQLite), with
 * the driver program's peak memory. */
void EngineAndDriverSelectWhere(benchmark::State &state)
{
    on_select_tables(
        state, [](benchmark::State &st, CAsiConnection *c) { bench_engine_select_text(st, c, SELECT_WHERE_TEXT); },
        "SelectWhere/engine_and_pvdb3");
}

/* Every row through the sqlite3 library, each value read in its own type
 * from the row SQLite holds (as asi_value_get reads a held row). */
void SqliteSelectValues(benchmark::State &state)
{
    SqliteSelect(state);
}

/* Rows of text, a join of JA and JB, through the engine's C interface
 * and pvdb3 once per iteration; skips with an error when a row is
 * missing. */
void bench_engine_join(benchmark::State &state, CAsiConnection *c, const char *text)
{
    for (auto _ : state) {
        if (!c) break;
        CAsiStatement *s;
        CAsiCursor *k;
        bench_declare(c, text, &s, &k);
        asi_open_cursor(k);
        long n = 0;
        while (asi_fetch_next(k)) n++;
        bench_release(&s, &k);
        if (n != join_rows()) state.SkipWithError("the join did not give a row per row of JA");
    }
}

/* The join through pvdb3, with the driver program's peak memory. */
void EngineAndDriverJoin(benchmark::State &state)
{
    on_select_tables(
        state, [](benchmark::State &st, CAsiConnection *c) { bench_engine_join(st, c, JOIN_TEXT); },
        "Join/engine_and_pvdb3");
}

/* The join as a correlated subquery through pvdb3, with its peak. */
void EngineAndDriverJoinSubquery(benchmark::State &state)
{
    on_select_tables(
        state, [](benchmark::State &st, CAsiConnection *c) { bench_engine_join(st, c, JOIN_SUBQUERY_TEXT); },
        "JoinSubquery/engine_and_pvdb3");
}

/* The join through the sqlite3 library (no index on STN either). */
void SqliteJoin(benchmark::State &state, const char *text)
{
    std::string dir = select_dir("sqlite");
    sqlite3 *db = nullptr;
    sqlite3_open((dir + "/bench.db").c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(db, text, -1, &q, nullptr);
        long n = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int64(q, 1));
            n++;
        }
        sqlite3_finalize(q);
        if (n != join_rows()) state.SkipWithError("the join did not give a row per row of JA");
    }
    sqlite3_close(db);
}

/* Look-ups of one row by BASENUMBER through the engine's C interface and
 * pvdb3, each a statement of its own with the key as a literal. */
void EngineAndDriverLookUp(benchmark::State &state)
{
    on_select_tables(state, bench_engine_lookups, "LookUp/engine_and_pvdb3");
}

/* Prepares of the SELECT of every row through the engine's C interface
 * and pvdb3, each freed without opening (a table described). */
void EngineAndDriverDescribe(benchmark::State &state)
{
    on_select_tables(state, bench_engine_describes);
}

/* The same look-ups through the driver's engine in this process. */
void Db3EngineLookUp(benchmark::State &state)
{
    std::string dir = select_dir("db3");
    db3_error err;
    db3_session *s = db3_session_open(dir.c_str(), &err);
    std::vector<db3_value> row;
    auto look = [&](long key) {
        std::string text = "SELECT * FROM STATN WHERE BASENUMBER = " + std::to_string(key);
        db3_stmt *st = db3_prepare(s, text.c_str(), &err);
        int n = 0;
        if (st && db3_cursor_open(st, nullptr, &err))
            while (db3_cursor_next(st, &row, &err) == 1) n++;
        db3_stmt_free(st);
        return n;
    };
    look(0);
    for (auto _ : state)
        for (int i = 0; i < BENCH_LOOKUPS; i++)
            if (look(bench_lookup_key(i)) != 1) state.SkipWithError("a look-up did not find its row");
    db3_session_close(s);
}

/* The same look-ups through the sqlite3 library on a table with an index
 * on BASENUMBER: each statement prepared, stepped and read value by
 * value. */
void SqliteLookUp(benchmark::State &state)
{
    std::string dir = select_dir("sqlite");
    sqlite3 *db = nullptr;
    sqlite3_open((dir + "/bench.db").c_str(), &db);
    sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS STATN_ID ON STATN (BASENUMBER)", nullptr, nullptr, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < BENCH_LOOKUPS; i++) {
            std::string text = "SELECT * FROM STATN WHERE BASENUMBER = " + std::to_string(bench_lookup_key(i));
            sqlite3_stmt *q = nullptr;
            sqlite3_prepare_v2(db, text.c_str(), -1, &q, nullptr);
            int n = 0;
            while (sqlite3_step(q) == SQLITE_ROW) {
                for (int col = 0; col < COLUMNS; col++) benchmark::DoNotOptimize(sqlite3_column_text(q, col));
                n++;
            }
            sqlite3_finalize(q);
            if (n != 1) state.SkipWithError("a look-up did not find its row");
        }
    }
    sqlite3_close(db);
}

/* The statements that change rows: every row updated, every row deleted,
 * and one row updated by BASENUMBER (BENCH_LOOKUPS of them an iteration,
 * each a statement of its own with the key as a literal). */
const char *const UPDATE_ALL_TEXT = "UPDATE STATN SET DIP = DIP + 1, LITH = 'gneiss'";
const char *const DELETE_ALL_TEXT = "DELETE FROM STATN";
std::string update_keyed_text(long key)
{
    return "UPDATE STATN SET DIP = DIP + 1 WHERE BASENUMBER = " + std::to_string(key);
}

/* A fresh copy of the SELECT tables' STATN for a side ("db3": its .DBF
 * and index side file; "sqlite": the database file), in a directory of
 * its own, made outside the timing. */
std::string fresh_station_copy(const char *side)
{
    namespace fs = std::filesystem;
    std::string from = select_dir(side), to = scratch((std::string("write_") + side).c_str());
    for (const fs::directory_entry &e : fs::directory_iterator(from)) {
        std::string name = e.path().filename().string();
        if (name.rfind("STATN", 0) == 0 || name == "bench.db") fs::copy_file(e.path(), to + "/" + name);
    }
    return to;
}

/* Runs text through the engine's C interface and pvdb3 on a fresh copy of
 * STATN once an iteration (the copy and the connection made outside the
 * timing), checking the rows it changed; pvdb3's peak memory over the
 * statements alone becomes a counter, held to its bound. */
void EngineAndDriverWrite(benchmark::State &state, const char *what, std::string (*text)(long), long statements,
                          long rows_each)
{
    long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = fresh_station_copy("db3");
        CAsiCfgHandle *cfg = nullptr;
        CAsiConnection *c = connect_db3(dir, &cfg);
        CAsiStatement *s = nullptr;
        if (!c || !asi_alloc_stmt(&s)) state.SkipWithError("cannot connect to DB3");
        /* The driver's indexes built as a look-up builds them, outside the timing. */
        if (c && statements > 1) bench_engine_lookup(c, 0);
        driver_peak_reset();
        state.ResumeTiming();
        for (long i = 0; c && i < statements; i++) {
            long rows = 0;
            if (!asi_prepare(s, c, text(bench_lookup_key((int)i)).c_str()) || !asi_execute(s, &rows) ||
                rows != rows_each)
                state.SkipWithError("a statement failed or changed other rows");
        }
        state.PauseTiming();
        peak = std::max(peak, driver_peak_kb());
        asi_free_stmt(&s);
        disconnect_db3(c, cfg);
        state.ResumeTiming();
    }
    state.counters["pvdb3_peak_MB"] = (double)peak / 1024.0;
    driver_peak_within(what, peak);
}

/* The same statements through the sqlite3 library on a fresh copy of its
 * database (STATN with an index on BASENUMBER for the keyed ones), with
 * its default rollback journal and synchronous off. */
void SqliteWrite(benchmark::State &state, std::string (*text)(long), long statements, long rows_each)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = fresh_station_copy("sqlite");
        sqlite3 *db = nullptr;
        sqlite3_open((dir + "/bench.db").c_str(), &db);
        /* Like the driver, no flush to disk per statement. */
        sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
        if (statements > 1)
            sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS STATN_ID ON STATN (BASENUMBER)", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        for (long i = 0; i < statements; i++) {
            if (sqlite3_exec(db, text(bench_lookup_key((int)i)).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
                sqlite3_changes(db) != rows_each)
                state.SkipWithError("a statement failed or changed other rows");
        }
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

std::string update_all(long)
{
    return UPDATE_ALL_TEXT;
}
std::string delete_all(long)
{
    return DELETE_ALL_TEXT;
}

/* Registers a benchmark run once per repetition (inserts) or timed by the
 * library (selects). */
void register_all()
{
    auto once = [](benchmark::internal::Benchmark *b) {
        b->Iterations(1)->Repetitions(bench_reps())->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    once(benchmark::RegisterBenchmark("Insert/db3_engine", Db3EngineInsert));
    once(benchmark::RegisterBenchmark("Insert/engine_and_pvdb3", EngineAndDriverInsert));
    once(benchmark::RegisterBenchmark("Insert/sqlite3_journal_default", SqliteInsertDefaultJournal));
    once(benchmark::RegisterBenchmark("Insert/sqlite3_journal_memory", SqliteInsertMemoryJournal));
    long all = bench_rows();
    once(benchmark::RegisterBenchmark("UpdateAll/engine_and_pvdb3", [all](benchmark::State &st) {
        EngineAndDriverWrite(st, "UpdateAll/engine_and_pvdb3", update_all, 1, all);
    }));
    once(benchmark::RegisterBenchmark("UpdateAll/sqlite3",
                                      [all](benchmark::State &st) { SqliteWrite(st, update_all, 1, all); }));
    once(benchmark::RegisterBenchmark("DeleteAll/engine_and_pvdb3", [all](benchmark::State &st) {
        EngineAndDriverWrite(st, "DeleteAll/engine_and_pvdb3", delete_all, 1, all);
    }));
    once(benchmark::RegisterBenchmark("DeleteAll/sqlite3",
                                      [all](benchmark::State &st) { SqliteWrite(st, delete_all, 1, all); }));
    once(benchmark::RegisterBenchmark("UpdateKeyed/engine_and_pvdb3", [](benchmark::State &st) {
        EngineAndDriverWrite(st, "UpdateKeyed/engine_and_pvdb3", update_keyed_text, BENCH_LOOKUPS, 1);
    }));
    once(benchmark::RegisterBenchmark("UpdateKeyed/sqlite3_indexed", [](benchmark::State &st) {
        SqliteWrite(st, update_keyed_text, BENCH_LOOKUPS, 1);
    }));
    for (auto *b : {benchmark::RegisterBenchmark("Select/db3_engine", Db3EngineSelect),
                    benchmark::RegisterBenchmark("Select/engine_and_pvdb3", EngineAndDriverSelect),
                    benchmark::RegisterBenchmark("Select/sqlite3", SqliteSelect),
                    benchmark::RegisterBenchmark("SelectValues/engine_and_pvdb3", EngineAndDriverSelectValues),
                    benchmark::RegisterBenchmark("SelectValues/sqlite3", SqliteSelectValues),
                    benchmark::RegisterBenchmark("SelectWhere/engine_and_pvdb3", EngineAndDriverSelectWhere),
                    benchmark::RegisterBenchmark("LookUp/db3_engine", Db3EngineLookUp),
                    benchmark::RegisterBenchmark("LookUp/engine_and_pvdb3", EngineAndDriverLookUp),
                    benchmark::RegisterBenchmark("LookUp/sqlite3_indexed", SqliteLookUp),
                    benchmark::RegisterBenchmark("Describe/engine_and_pvdb3", EngineAndDriverDescribe),
                    benchmark::RegisterBenchmark("Join/engine_and_pvdb3", EngineAndDriverJoin),
                    benchmark::RegisterBenchmark("Join/sqlite3", [](benchmark::State &st) { SqliteJoin(st, JOIN_TEXT); }),
                    benchmark::RegisterBenchmark("JoinSubquery/engine_and_pvdb3", EngineAndDriverJoinSubquery),
                    benchmark::RegisterBenchmark("JoinSubquery/sqlite3",
                                                 [](benchmark::State &st) { SqliteJoin(st, JOIN_SUBQUERY_TEXT); })})
        b->Repetitions(bench_reps())->Unit(benchmark::kMillisecond)->UseRealTime();
}

/* The ratios the run prints. */
const bench_ratio RATIOS[] = {
    {"Select/engine_and_pvdb3", "Select/sqlite3", "SELECT engine+pvdb3 / SQLite"},
    {"SelectValues/engine_and_pvdb3", "SelectValues/sqlite3", "SELECT by asi_value_get engine+pvdb3 / SQLite"},
    {"LookUp/engine_and_pvdb3", "LookUp/sqlite3_indexed", "look-up engine+pvdb3 / SQLite with index"},
    {"LookUp/db3_engine", "LookUp/sqlite3_indexed", "look-up DB3 engine / SQLite with index"},
    {"Select/engine_and_pvdb3", "Select/db3_engine", "SELECT engine+pvdb3 / DB3 engine"},
    {"Select/db3_engine", "Select/sqlite3", "SELECT DB3 engine / SQLite"},
    {"Insert/engine_and_pvdb3", "Insert/db3_engine", "INSERT engine+pvdb3 / DB3 engine"},
    {"UpdateAll/engine_and_pvdb3", "UpdateAll/sqlite3", "UPDATE of every row engine+pvdb3 / SQLite"},
    {"DeleteAll/engine_and_pvdb3", "DeleteAll/sqlite3", "DELETE of every row engine+pvdb3 / SQLite"},
    {"UpdateKeyed/engine_and_pvdb3", "UpdateKeyed/sqlite3_indexed",
     "UPDATE by BASENUMBER engine+pvdb3 / SQLite with index"},
    {"Insert/db3_engine", "Insert/sqlite3_journal_default", "INSERT DB3 engine / SQLite default journal"},
    {"Insert/db3_engine", "Insert/sqlite3_journal_memory", "INSERT DB3 engine / SQLite memory journal"},
    {"Insert/engine_and_pvdb3", "Insert/sqlite3_journal_default", "INSERT engine+pvdb3 / SQLite default journal"},
    {"Join/engine_and_pvdb3", "Join/sqlite3",
     "join on a column no index serves engine+pvdb3 / SQLite with an automatic index"},
    {"JoinSubquery/engine_and_pvdb3", "JoinSubquery/sqlite3", "correlated subquery engine+pvdb3 / SQLite"},
};

} // namespace

int main(int argc, char **argv)
{
    register_all();
    return bench_main_contended(argc, argv, RATIOS, std::size(RATIOS));
}
