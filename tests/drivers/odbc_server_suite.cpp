/*
 * The ODBC driver end to end against a real PostgreSQL server that the
 * suite starts for itself (pg_server.h): the engine's C interface connects
 * to the environment "ODBC" of a test asi.ini, whose "Driver" entry names
 * pvodbc and whose catalog names the server's DSN, and runs the
 * application's statement texts in a schema of the server; psql checks
 * what they left. One program runs every case, so the server starts once;
 * it is always stopped, also when a case fails.
 */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "asi_client.h"
#include "pg_server.h"
#include "standard_statements.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_cursor.h"
#include "sqlclient/asi_descriptor.h"
#include "tests/scratch_dir.h"

namespace {

pg_server *g_pg = nullptr;  /* the suite's server, null when it could not start */

/* Starts the server before the first case and stops it after the last. */
class PgEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static pg_server pg;
        if (pg.start()) {
            g_pg = &pg;
            return;
        }
        const char *ci = std::getenv("CI");
        if (ci && std::strcmp(ci, "true") == 0) FAIL() << "the PostgreSQL test server cannot start: " << pg.why();
        std::printf("ODBC suite skipped: the PostgreSQL test server cannot start: %s\n", pg.why().c_str());
    }
    void TearDown() override
    {
        if (g_pg) g_pg->stop();
        g_pg = nullptr;
    }
};

const ::testing::Environment *const g_env = ::testing::AddGlobalTestEnvironment(new PgEnvironment);

class OdbcTest : public AsiClientTest {
protected:
    void SetUp() override
    {
        if (!g_pg) GTEST_SKIP() << "no PostgreSQL test server";
        dir = pv_make_scratch_dir("pvodbc_").string();
        schema = "s" + std::to_string(++s_count);
        ASSERT_EQ(g_pg->psql("CREATE SCHEMA " + schema), "");
        std::ofstream(dir + "/asi.ini") << "[ENVIRONMENTS]\nODBC=\n\n[ODBC]\nDriver=" PV_ODBC_DRIVER "\nPETRIVEX="
                                        << pg_server::DSN << "\nPETRIVEX.GEOL=" << schema << "\n";
        ASSERT_EQ(asi_init(), 1);
        ASSERT_EQ(asi_cfg_open((dir + "/asi.ini").c_str(), &cfg), 1);
        ASSERT_TRUE(logon(pg_server::PASSWORD, &c)) << text(c);
    }

    void TearDown() override
    {
        free_connection(&c);
        if (cfg) asi_cfg_close(&cfg);
        asi_term();
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }

    /* Connects as the test user with a password, sets catalog and schema;
     * the connection is kept (for its diagnostics) also when it fails. */
    bool logon(const char *password, CAsiConnection **out)
    {
        if (!asi_alloc_connection(out)) return false;
        return asi_connect(*out, "ODBC", pg_server::USER, password) && asi_set_catalog(*out, pg_server::DSN) &&
               asi_set_schema(*out, schema.c_str());
    }

    static void free_connection(CAsiConnection **k)
    {
        if (!*k) return;
        asi_disconnect(*k);
        asi_free_connection(k);
    }

    /* psql's rows of a query in the test's schema. */
    std::string server(const std::string &sql) { return g_pg->psql("SET search_path TO " + schema + "; " + sql); }

    static inline int s_count = 0;
    std::string dir, schema;
    CAsiCfgHandle *cfg = nullptr;
};

/* The application's statements: the memo side table with its index, the
 * standard indexes, INSERT ... SELECT, an ordered join, MAX, row counts,
 * dropping; the server holds the rows afterwards. */
TEST_F(OdbcTest, ApplicationStatementsEndToEnd)
{
    const char *ddl[] = {
        "CREATE TABLE STATN (BASENUMBER DEC(8),STN CHAR(8),DIP NUMERIC(5,1),X DOUBLE,UNIT CHAR(4))",
        "CREATE INDEX STATNUNQ ON STATN (BASENUMBER)",
        "CREATE INDEX STATNPRI ON STATN (STN)",
        "CREATE TABLE UNITS (BASENUMBER DEC(8),UNIT CHAR(4),NAME CHAR(20))",
        "CREATE TABLE STATNMEM (BASENUMBER INTEGER, ORDNUMBER INTEGER, MEMOTEXT CHAR(70))",
        "CREATE INDEX STATNMEM1 ON STATNMEM (BASENUMBER, ORDNUMBER)",
        "CREATE TABLE STATNMMO(MSLINK DEC(10), ORDNUMBER DEC(8), MEMOTEXT CHAR(70))",
    };
    for (const char *q : ddl) ASSERT_EQ(exec(q), 1) << q << ": " << last_text;
    const char *dml[] = {
        "INSERT INTO STATN (BASENUMBER,STN,DIP,X,UNIT) VALUES (1,'B2',45.5,512345.25,'G')",
        "INSERT INTO STATN (BASENUMBER,STN,DIP,X,UNIT) VALUES (2,'A1',12,NULL,'S')",
        "INSERT INTO UNITS (BASENUMBER,UNIT,NAME) VALUES (1,'G','Granite unit')",
        "INSERT INTO UNITS (BASENUMBER,UNIT,NAME) VALUES (2,'S','O''Brien schist')",
        "INSERT INTO STATNMEM (BASENUMBER,ORDNUMBER,MEMOTEXT) VALUES (1,1,'Rock is ')",
        "INSERT INTO STATNMEM (BASENUMBER,ORDNUMBER,MEMOTEXT) VALUES (1,2,'grey')",
        "UPDATE STATN SET DIP = 50 WHERE BASENUMBER = 1",
    };
    for (const char *q : dml) ASSERT_EQ(exec(q), 1) << q << ": " << last_text;
    long rows = 0;
    ASSERT_EQ(exec("INSERT INTO STATNMMO SELECT * FROM STATNMEM", &rows), 1) << last_text;
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(query("SELECT STATN.STN, UNITS.NAME, STATN.DIP FROM STATN,UNITS WHERE STATN.UNIT = UNITS.UNIT ORDER BY 1 "),
              "A1|O'Brien schist|12.0\nB2|Granite unit|50.0\n");
    EXPECT_EQ(query("SELECT MAX(BASENUMBER) FROM STATN"), "2\n");
    EXPECT_EQ(server("SELECT basenumber, stn, dip, x, unit FROM statn ORDER BY 1"),
              "1|B2      |50.0|512345.25|G   \n2|A1      |12.0||S   \n");
    EXPECT_EQ(server("SELECT mslink, ordnumber, trim(memotext) FROM statnmmo ORDER BY 2"), "1|1|Rock is\n1|2|grey\n");
    ASSERT_EQ(exec("UPDATE STATN SET DIP = 1 WHERE BASENUMBER = 99", &rows), 1) << last_text;
    EXPECT_EQ(rows, 0);
    ASSERT_EQ(exec("DELETE FROM STATNMEM WHERE BASENUMBER=1", &rows), 1);
    EXPECT_EQ(rows, 2);
    ASSERT_EQ(exec("DROP INDEX STATNMEM1"), 1) << last_text;
    ASSERT_EQ(exec("DROP TABLE STATNMEM CASCADE"), 1) << last_text;
    EXPECT_EQ(server("SELECT count(*) FROM information_schema.tables WHERE table_name = 'statnmem'"), "0\n");
}

/* LIKE on a CHAR column takes its value without the padding blanks, as
 * the DB3 road does: a pattern need not end in %, NOT LIKE finds the
 * others, ESCAPE still works. */
TEST_F(OdbcTest, LikeOnCharColumnsIgnoresThePadding)
{
    ASSERT_EQ(exec("CREATE TABLE T (ID INT, NAME CHAR(12))"), 1) << last_text;
    for (const char *q : {"INSERT INTO T (ID, NAME) VALUES (1, 'Strasse')", "INSERT INTO T (ID, NAME) VALUES (2, 'Crete')",
                          "INSERT INTO T (ID, NAME) VALUES (3, 'a_b')", "INSERT INTO T (ID, NAME) VALUES (4, 'axb')"})
        ASSERT_EQ(exec(q), 1) << q << ": " << last_text;
    struct Case {
        const char *where, *ids;
    } cases[] = {
        {"NAME LIKE 'Stras_e'", "1\n"},
        {"NAME LIKE '%e'", "1\n2\n"},
        {"T.NAME NOT LIKE '%e'", "3\n4\n"},
        {"NAME LIKE 'a!_b' ESCAPE '!'", "3\n"},
        {"NAME NOT LIKE 'a!_b' ESCAPE '!'", "1\n2\n4\n"},
    };
    for (const Case &k : cases)
        EXPECT_EQ(query(std::string("SELECT ID FROM T WHERE ") + k.where + " ORDER BY ID"), k.ids) << k.where;
}

/* A query is described before it runs, with the column types the
 * application reads; its cursor scrolls both ways, also over a result
 * much longer than the driver keeps in memory. */
TEST_F(OdbcTest, DescribedColumnsAndScrollableCursor)
{
    ASSERT_EQ(exec("CREATE TABLE T (A CHAR(6), N NUMERIC(8,2), I INT, D DOUBLE, S SMALLINT)"), 1) << last_text;
    for (int i = 1; i <= 5; i++) {
        std::string q = "INSERT INTO T (A, N, I, D, S) VALUES ('r" + std::to_string(i) + "', " + std::to_string(i) +
                        ".5, " + std::to_string(i) + ", 0.25, 7)";
        ASSERT_EQ(exec(q), 1) << last_text;
    }
    CAsiStatement *s = nullptr;
    CAsiCursor *k = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    ASSERT_EQ(asi_prepare(s, c, "SELECT A, N, I, D, S FROM T ORDER BY A"), 1) << text(s);
    ASSERT_EQ(asi_column_count(s), 5);
    int want[5][4] = {{1, 6, -1, -1}, {2, -1, 8, 2}, {4, -1, -1, 0}, {8, -1, -1, -1}, {5, -1, -1, 0}};
    for (int i = 0; i < 5; i++) {
        int type = 0, length = 0, precision = 0, scale = 0, nullable = 0;
        ASSERT_EQ(asi_column_type(s, i, &type, &length, &precision, &scale, &nullable), 1);
        EXPECT_EQ(type, want[i][0]) << i;
        if (want[i][1] >= 0) { EXPECT_EQ(length, want[i][1]) << i; }
        if (want[i][2] >= 0) { EXPECT_EQ(precision, want[i][2]) << i; }
        if (want[i][3] >= 0) { EXPECT_EQ(scale, want[i][3]) << i; }
    }
    ASSERT_EQ(asi_alloc_cursor(&k), 1);
    ASSERT_EQ(asi_declare_cursor(k, s, "ABCDEFGHIJKLMNOPQ"), 1);
    ASSERT_EQ(asi_open_cursor(k), 1) << text(k);
    ASSERT_EQ(asi_fetch_last(k), 1) << text(k);
    EXPECT_EQ(row(k, 5), "r5|5.50|5|0.25|7\n");
    ASSERT_EQ(asi_fetch_prior(k), 1);
    EXPECT_EQ(row(k, 1), "r4\n");
    ASSERT_EQ(asi_fetch_absolute(k, 2), 1);
    EXPECT_EQ(row(k, 1), "r2\n");
    ASSERT_EQ(asi_fetch_first(k), 1);
    EXPECT_EQ(row(k, 1), "r1\n");
    EXPECT_EQ(asi_fetch_prior(k), 0);
    asi_close_cursor(k);
    /* Opened again, the statement reads into the buffers it kept. */
    ASSERT_EQ(asi_open_cursor(k), 1) << text(k);
    ASSERT_EQ(asi_fetch_next(k), 1) << text(k);
    EXPECT_EQ(row(k, 5), "r1|1.50|1|0.25|7\n");
    asi_close_cursor(k);

    /* A long result read forward leaves the driver program small, and
     * still scrolls back to any of its rows. Each row is read whole, with
     * a null every third row, a text now and then longer than the buffer
     * its described size gives, and a long text read value by value. */
    const long rows = 200000;
    ASSERT_EQ(server("CREATE TABLE LONG AS SELECT g AS N, CAST(CASE WHEN g % 3 = 0 THEN NULL ELSE 'v' || g END AS "
                     "VARCHAR(12)) AS V, CAST(CASE WHEN g % 100 = 7 THEN g || repeat('w', 300) ELSE 'w' || g END AS "
                     "VARCHAR) AS W, repeat('x', 200) || g AS T FROM generate_series(1, " + std::to_string(rows) +
                     ") g"), "");
    auto expected = [](long g, bool text) {
        std::string v = g % 3 == 0 ? "~" : "v" + std::to_string(g);
        std::string w =
            g % 100 == 7 ? (std::to_string(g) + std::string(300, 'w')).substr(0, 255) : "w" + std::to_string(g);
        std::string t = text ? "|" + std::string(200, 'x') + std::to_string(g) : "";
        return std::to_string(g) + "|" + v + "|" + w + t + "\n";
    };
    ASSERT_EQ(asi_prepare(s, c, "SELECT N, V, W, T FROM LONG ORDER BY N"), 1) << text(s);
    ASSERT_EQ(asi_declare_cursor(k, s, "ABCDEFGHIJKLMNOPQ"), 1);
    ASSERT_EQ(asi_open_cursor(k), 1) << text(k);
    long n = 0;
    while (asi_fetch_next(k)) ASSERT_EQ(row(k, 3), expected(++n, false));
    EXPECT_EQ(n, rows) << text(k);
    long peak = driver_peak_kb();
    EXPECT_TRUE(peak > 0 && peak < 32 * 1024) << "pvodbc peaked at " << peak << " kB";
    for (long at : {7L, rows - 1, rows / 2, 1L}) {
        ASSERT_EQ(asi_fetch_absolute(k, at), 1) << text(k);
        EXPECT_EQ(row(k, 4), expected(at, true));
    }
    ASSERT_EQ(asi_fetch_last(k), 1);
    EXPECT_EQ(row(k, 1), std::to_string(rows) + "\n");
    asi_close_cursor(k);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
}

/* The query builder's standard statements give the same rows on the
 * server as on DB3 (all but the FROM lists naming a table twice, which
 * only the DB3 driver takes). */
TEST_F(OdbcTest, StandardStatementsGiveTheRowsTheyGiveOnDb3)
{
    for (const char *q : k_standard_tables) ASSERT_EQ(exec(q), 1) << q << ": " << last_text;
    for (const standard_query &k : k_standard_queries)
        if (!k.db3_only) { EXPECT_EQ(query(k.sql), k.want) << k.sql; }
}

/* Wide and unconstrained numbers arrive without a lost digit. */
TEST_F(OdbcTest, BigintAndNumericWithoutPrecisionKeepEveryDigit)
{
    ASSERT_EQ(exec("CREATE TABLE W (B BIGINT, N NUMERIC)"), 1) << last_text;
    ASSERT_EQ(exec("INSERT INTO W (B, N) VALUES (9007199254740993, 12345678901234567890.123456789)"), 1) << last_text;
    EXPECT_EQ(query("SELECT B, N FROM W"), "9007199254740993|12345678901234567890.123456789\n");
}

/* The server's conditions reach the application with their SQLSTATEs; a
 * column the server keeps in mixed case (made with quotes), which no
 * unquoted name reaches, is named. */
TEST_F(OdbcTest, ConditionsKeepTheServersStates)
{
    ASSERT_EQ(exec("CREATE TABLE T (A CHAR(2), K DEC(4))"), 1);
    ASSERT_EQ(exec("CREATE UNIQUE INDEX TK ON T (K)"), 1);
    ASSERT_EQ(exec("INSERT INTO T (A, K) VALUES ('a', 1)"), 1);
    ASSERT_EQ(server("CREATE TABLE m (\\\"MixedCol\\\" INT)"), "");
    struct Case {
        const char *sql;
        const char *state;
        const char *named = ""; /* what the condition's text names */
    } cases[] = {
        {"SELEC * FROM T", "42601"},
        {"SELECT * FROM NOSUCH", "42S02"},
        {"INSERT INTO T (A, K) VALUES ('b', 1)", "23505"},
        {"INSERT INTO T (A, K) VALUES ('abc', 2)", "22001"},
        {"SELECT MIXEDCOL FROM M", "42S22", "column m.\"MixedCol\" cannot be read"},
    };
    for (const Case &k : cases) {
        EXPECT_EQ(exec(k.sql), 0) << k.sql;
        EXPECT_EQ(state, k.state) << k.sql << ": " << last_text;
        EXPECT_FALSE(last_text.empty()) << k.sql;
        EXPECT_NE(last_text.find(k.named), std::string::npos) << k.sql << ": " << last_text;
    }
    EXPECT_EQ(query("SELECT * FROM T"), "a|1\n");
}

/* The ALTER TABLE texts of a server project run as the application
 * writes them. */
TEST_F(OdbcTest, ServerProjectAlterTextsRun)
{
    ASSERT_EQ(exec("CREATE TABLE SOILS (BASENUMBER DEC(8), NAME CHAR(6))"), 1) << last_text;
    ASSERT_EQ(exec("ALTER TABLE SOILS ADD DEPTH CHAR(12)"), 1) << last_text;
    ASSERT_EQ(exec("ALTER TABLE SOILS DROP DEPTH CASCADE"), 1) << last_text;
    ASSERT_EQ(exec("ALTER TABLE SOILS ADD DEPTH NUMERIC(8,2)"), 1) << last_text;
    ASSERT_EQ(exec("ALTER TABLE SOILS MODIFY DEPTH NUMERIC(10,3)"), 1) << last_text;
    ASSERT_EQ(exec("ALTER TABLE SOILS ADD HOLE DOUBLE"), 1) << last_text;
    EXPECT_EQ(server("SELECT column_name, data_type, numeric_precision, numeric_scale FROM "
                     "information_schema.columns WHERE table_name = 'soils' ORDER BY ordinal_position"),
              "basenumber|numeric|8|0\nname|character||\ndepth|numeric|10|3\nhole|double precision|53|\n");
}

/* A wrong password comes back under class 28, which the logon takes as
 * its question for user and password; no condition shows the password. */
TEST_F(OdbcTest, WrongPasswordIsAClass28RefusalThatNeverShowsThePassword)
{
    CAsiConnection *k = nullptr;
    const char *secret = "Not-Rock-7";
    EXPECT_FALSE(logon(secret, &k));
    std::string st = sqlstate(k), t = text(k);
    EXPECT_EQ(st.substr(0, 2), "28") << st << " " << t;
    EXPECT_EQ(t.find(secret), std::string::npos) << t;
    free_connection(&k);
    EXPECT_TRUE(logon(pg_server::PASSWORD, &k)) << text(k);
    free_connection(&k);
}

/* User names and passwords reach the server exactly as typed, whatever
 * they hold ("%41" is no "A"); a refused one comes back under class 28
 * naming the user. */
TEST_F(OdbcTest, UserNamesAndPasswordsReachTheServerAsTyped)
{
    struct Case {
        const char *user, *password, *sql_password; /* the password in an SQL literal */
    } cases[] = {
        {"pv%41u", "ab%41x", "ab%41x"}, {"pv+u", "p{a}ss", "p{a}ss"},
        {"pv_u", "x;y", "x;y"},         {"pv'u", "it's", "it''s"},
    };
    for (const Case &w : cases) {
        ASSERT_EQ(g_pg->admin(std::string("CREATE ROLE \\\"") + w.user + "\\\" LOGIN PASSWORD '" + w.sql_password + "'"), 0)
            << w.user;
        for (bool right : {true, false}) {
            CAsiConnection *k = nullptr;
            ASSERT_EQ(asi_alloc_connection(&k), 1);
            std::string password = right ? w.password : std::string(w.password) + "!";
            bool ok = asi_connect(k, "ODBC", w.user, password.c_str()) && asi_set_catalog(k, pg_server::DSN);
            EXPECT_EQ(ok, right) << w.user << " " << w.password << ": " << text(k);
            if (!right) {
                EXPECT_EQ(sqlstate(k).substr(0, 2), "28") << w.user;
                EXPECT_NE(text(k).find(std::string("\"") + w.user + "\""), std::string::npos) << text(k);
            }
            free_connection(&k);
        }
    }
}

/* A schema is found by its name as the entry writes it, capitals kept;
 * one the server does not have, or one whose name could change the
 * statement that sets it, is refused naming the name looked for. */
TEST_F(OdbcTest, UnknownOrUnsafeSchemaIsRefused)
{
    ASSERT_EQ(g_pg->psql("CREATE SCHEMA \\\"FieldTeam\\\"; CREATE TABLE \\\"FieldTeam\\\".ft (n int)"), "");
    CAsiConnection *k = nullptr;
    ASSERT_EQ(asi_alloc_connection(&k), 1);
    ASSERT_EQ(asi_connect(k, "ODBC", pg_server::USER, pg_server::PASSWORD), 1);
    ASSERT_EQ(asi_set_catalog(k, pg_server::DSN), 1) << text(k);
    EXPECT_EQ(asi_set_schema(k, "FieldTeam"), 1) << text(k);
    EXPECT_EQ(asi_set_schema(k, "FIELDTEAM"), 0);
    EXPECT_NE(text(k).find("\"FIELDTEAM\""), std::string::npos) << text(k);
    EXPECT_EQ(asi_set_schema(k, "nosuch"), 0);
    EXPECT_EQ(sqlstate(k), "3F000");
    EXPECT_EQ(asi_set_schema(k, "s1; DROP TABLE x"), 0);
    EXPECT_EQ(sqlstate(k), "3F000");
    free_connection(&k);
}

/* A server that goes away in the middle of a fetch gives the caller a
 * clear condition, and a new logon works once it is back. */
TEST_F(OdbcTest, ServerLostDuringAFetchIsAClearErrorAndLogonWorksAgain)
{
    ASSERT_EQ(exec("CREATE TABLE BIG (N INT)"), 1) << last_text;
    ASSERT_EQ(server("INSERT INTO big SELECT g FROM generate_series(1, 5000) g"), "");
    CAsiStatement *s = nullptr;
    CAsiCursor *k = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    ASSERT_EQ(asi_prepare(s, c, "SELECT N FROM BIG ORDER BY N"), 1) << text(s);
    ASSERT_EQ(asi_alloc_cursor(&k), 1);
    ASSERT_EQ(asi_declare_cursor(k, s, "ZXCVBNMASDFGHJKLQ"), 1);
    ASSERT_EQ(asi_open_cursor(k), 1) << text(k);
    ASSERT_EQ(asi_fetch_next(k), 1) << text(k);
    g_pg->kill_server();
    EXPECT_EQ(asi_fetch_absolute(k, 4000), 0);
    std::string st = sqlstate(k);
    EXPECT_FALSE(st.empty());
    EXPECT_NE(st, "02000") << "a lost server must not look like the end of the rows";
    EXPECT_FALSE(text(k).empty());
    asi_close_cursor(k);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    free_connection(&c);
    ASSERT_TRUE(g_pg->restart()) << g_pg->why();
    ASSERT_TRUE(logon(pg_server::PASSWORD, &c)) << text(c);
    EXPECT_EQ(query("SELECT COUNT(*) FROM BIG"), "5000\n");
}

}  // namespace

namespace {

/* pvhost logs on to the sample project GEO put into a schema of the
 * server, through the environment "ODBC" of its configuration: the setup
 * is read from the server's tables (the Microstation export names STATN,
 * the registered table without an MSLINK key), and it logs off. A logon
 * through a connection string holding a password, which fails, shows it
 * as ****. */
TEST_F(OdbcTest, PvhostLogsOnToTheSampleProjectOnTheServer)
{
    std::string sql = dir + "/geo.sql";
    ASSERT_EQ(std::system(("/usr/bin/python3 " PV_TEST_DATA_DIR "/pg_load_project.py " PV_RESOURCE_DIR
                           "/projects/GEO geo " + sql).c_str()), 0);
    ASSERT_EQ(g_pg->psql_file(sql), 0);
    std::filesystem::create_directories(dir + "/projects");
    /* A server project's "directory" is its schema: the export's script
    ** and batch file go into a folder of that name. */
    std::filesystem::create_directories(dir + "/geo");
    std::filesystem::copy(PV_RESOURCE_DIR "/projects/Projections", dir + "/projects/Projections",
                          std::filesystem::copy_options::recursive);
    std::ofstream(dir + "/host.ini") << "[ENVIRONMENTS]\nDB3=\nODBC=\nODBCPW=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=" << dir
                                     << "/projects\nPETRIVEX.Projections=Projections\n\n[ODBC]\nDriver=pvodbc\n"
                                     << "PETRIVEX=" << pg_server::DSN << "\nPETRIVEX.GEO=geo\n\n[ODBCPW]\n"
                                     << "Driver=pvodbc\nPETRIVEX=DSN=NOSUCH;UID=geologist;Pwd={Hidden;Stone}\n"
                                     << "PETRIVEX.GEOPW=geo\n\n[PETRIVEX_MISC]\nGEO.links=0\nProjections.links=0\n";
    /* pvhost on a script; its output, and its exit status in status. */
    auto pvhost = [&](const std::string &script, int &status) {
        std::ofstream(dir + "/logon.scr") << script;
        std::string cmd = "cd " + dir + " && HOME=" + dir + " XDG_DATA_HOME=" + dir + "/data ASI_INI=" + dir +
                          "/host.ini " PV_PVHOST " --script logon.scr --module " PV_MODULE
                          " --resources " PV_RESOURCE_DIR " 2>&1";
        std::string out;
        FILE *p = popen(cmd.c_str(), "r");
        char buf[4096];
        while (p && fgets(buf, sizeof buf, p)) out += buf;
        status = p ? pclose(p) : -1;
        return out;
    };
    int status = -1;
    std::string out = pvhost("(pv_open \"GEO\" \"ODBC\" \"geologist\" \"rock\")\npv-ustation\npv_ustation\n"
                             "ok\n(pv_logoff \"GEO\")\nQUIT\n",
                             status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("(\"GEO\" \"ODBC\" \"geologist\" \"****\")"), std::string::npos) << out;
    EXPECT_NE(out.find("Unique column not named MSLINK in:\nSTATN."), std::string::npos) << out;
    EXPECT_NE(out.find("Exported 0 tables to Microstation 95:"), std::string::npos) << out;
    EXPECT_EQ(out.find("No projections"), std::string::npos) << out;
    /* The password shows nowhere, not in the echoed call nor in pv_open's result. */
    EXPECT_EQ(out.find("rock"), std::string::npos) << out;
    /* Nor the connection string's in a failed logon's alert. */
    out = pvhost("(pv_open \"GEOPW\" \"ODBCPW\" \"geologist\" \"rock\")\npv_alert_wrap\nshow\nok\nQUIT\n", status);
    EXPECT_NE(status, 0) << out;
    EXPECT_NE(out.find("Pwd=**** of"), std::string::npos) << out;
    EXPECT_EQ(out.find("Hidden"), std::string::npos) << out;
    EXPECT_EQ(out.find("Stone"), std::string::npos) << out;
    EXPECT_EQ(g_pg->psql("SELECT trim(tablename) FROM geo.pvtable"), "STATN\n");
}

}  // namespace
