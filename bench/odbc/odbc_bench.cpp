/*
 * Speed of a SELECT through the ODBC environment, side by side in one run
 * on a PostgreSQL server the program starts for itself (tests/drivers/
 * pg_server.h): every row of a station table through the engine's C
 * interface and the pvodbc program, through libpq directly, and through the
 * PostgreSQL ODBC driver called in this process (SQLFetch and SQLGetData).
 * Each side reads every value in its own type. At the end the ratios are
 * printed.
 *
 *   bench_odbc                                  (100,000 rows, best of 3)
 *   PV_BENCH_ROWS=50 PV_BENCH_REPS=1 bench_odbc   (the smoke test of CI)
 */
#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/bench_ratios.h"
#include "bench/bench_station.h"
#include "pg_server.h"
#include "sqlclient/asi_api.h"

namespace {

const char *const SELECT_TEXT = BENCH_SELECT_TEXT;
constexpr const bench_kind *COLUMN_KINDS = BENCH_COLUMN_KINDS;
constexpr int COLUMNS = BENCH_COLUMNS;
constexpr int TEXT_BUFFER = BENCH_TEXT_BUFFER;

pg_server *g_pg = nullptr;  /* the run's server */
std::string g_dir;          /* scratch directory of the engine's asi.ini */

/* Starts the server and fills STATN with the run's rows. */
bool prepare_server()
{
    static pg_server pg;
    if (!pg.start()) {
        std::fprintf(stderr, "bench_odbc: the PostgreSQL server cannot start: %s\n", pg.why().c_str());
        return false;
    }
    g_pg = &pg;
    std::string n = std::to_string(bench_rows());
    g_pg->psql("CREATE TABLE statn (basenumber INTEGER, stn CHAR(10), dip NUMERIC(5,1), x DOUBLE PRECISION, "
               "y DOUBLE PRECISION, lith CHAR(20)); INSERT INTO statn SELECT g, 'S' || lpad(g::text, 7, '0'), "
               "(g % 90) + 0.5, 500000 + g + 0.25, 7000000 + g + 0.125, 'granite' FROM generate_series(0, " + n +
               " - 1) g");
    g_dir = pg.dir();
    std::ofstream(g_dir + "/bench.ini") << "[ENVIRONMENTS]\nODBC=\n\n[ODBC]\nDriver=" PV_ODBC_DRIVER "\n";
    return true;
}

/* Every row through the engine's C interface and pvodbc, each value into a
 * bound buffer of its own type; pvodbc's peak memory is kept as a
 * counter. */
void EngineAndDriverSelect(benchmark::State &state)
{
    CAsiCfgHandle *cfg = nullptr;
    CAsiConnection *c = nullptr;
    if (!asi_init() || !asi_cfg_open((g_dir + "/bench.ini").c_str(), &cfg) || !asi_alloc_connection(&c) ||
        !asi_connect(c, "ODBC", pg_server::USER, pg_server::PASSWORD) || !asi_set_catalog(c, pg_server::DSN))
        state.SkipWithError("cannot connect to ODBC");
    bench_engine_select(state, c);
    state.counters["pvodbc_peak_MB"] = (double)driver_peak_kb() / 1024.0;
    if (c) asi_disconnect(c);
    asi_free_connection(&c);
    asi_cfg_close(&cfg);
    asi_term();
}

/* Every row through libpq, each value converted to its own type. */
void LibpqSelect(benchmark::State &state)
{
    std::string conninfo = "host=127.0.0.1 port=" + std::to_string(g_pg->port()) +
                           " user=geologist password=rock dbname=petrivex";
    PGconn *conn = PQconnectdb(conninfo.c_str());
    if (PQstatus(conn) != CONNECTION_OK) state.SkipWithError("libpq cannot connect");
    for (auto _ : state) {
        PGresult *r = PQexec(conn, SELECT_TEXT);
        long n = PQntuples(r);
        long sum = 0;
        double d = 0;
        for (long row = 0; row < n; row++)
            for (int i = 0; i < COLUMNS; i++) {
                const char *v = PQgetvalue(r, (int)row, i);
                if (COLUMN_KINDS[i] == BENCH_INT) sum += std::atol(v);
                else if (COLUMN_KINDS[i] == BENCH_REAL) d += std::strtod(v, nullptr);
                else sum += v[0];
            }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(d);
        PQclear(r);
        if (n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
    PQfinish(conn);
}

/* Every row through the PostgreSQL ODBC driver in this process. */
void OdbcInProcessSelect(benchmark::State &state)
{
    SQLHENV env;
    SQLHDBC dbc;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string cs = std::string("DSN=") + pg_server::DSN + ";UID=geologist;PWD=rock;";
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR *)cs.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT)))
        state.SkipWithError("the ODBC driver cannot connect");
    for (auto _ : state) {
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        SQLExecDirect(st, (SQLCHAR *)SELECT_TEXT, SQL_NTS);
        long n = 0;
        SQLBIGINT iv;
        double dv;
        char tv[TEXT_BUFFER];
        SQLLEN ind;
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            for (int i = 0; i < COLUMNS; i++) {
                SQLUSMALLINT col = (SQLUSMALLINT)(i + 1);
                if (COLUMN_KINDS[i] == BENCH_INT) SQLGetData(st, col, SQL_C_SBIGINT, &iv, sizeof iv, &ind);
                else if (COLUMN_KINDS[i] == BENCH_REAL) SQLGetData(st, col, SQL_C_DOUBLE, &dv, sizeof dv, &ind);
                else SQLGetData(st, col, SQL_C_CHAR, tv, sizeof tv, &ind);
            }
            n++;
        }
        benchmark::DoNotOptimize(iv);
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        if (n != bench_rows()) state.SkipWithError("the select did not read every row");
    }
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

const bench_ratio RATIOS[] = {
    {"Select/engine_and_pvodbc", "Select/libpq", "SELECT engine+pvodbc / libpq"},
    {"Select/engine_and_pvodbc", "Select/psqlodbc_in_process", "SELECT engine+pvodbc / psqlODBC in process"},
    {"Select/psqlodbc_in_process", "Select/libpq", "SELECT psqlODBC in process / libpq"},
};

} // namespace

int main(int argc, char **argv)
{
    if (!prepare_server()) return 1;
    for (auto *b : {benchmark::RegisterBenchmark("Select/engine_and_pvodbc", EngineAndDriverSelect),
                    benchmark::RegisterBenchmark("Select/libpq", LibpqSelect),
                    benchmark::RegisterBenchmark("Select/psqlodbc_in_process", OdbcInProcessSelect)})
        b->Repetitions(bench_reps())->Unit(benchmark::kMillisecond)->UseRealTime();
    int rc = bench_main_contended(argc, argv, RATIOS, std::size(RATIOS));
    g_pg->stop();
    return rc;
}
