/*
** api_test.cpp: the engine's C interface end to end through the canned
** driver process: round trips, describing, scrolling, driver conditions,
** parameters, large replies, and drivers that die or never start.
*/
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "scratch_dir.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_except.h"

namespace {

/* 1 when the process has ended (gone, or a zombie no one has reaped yet)
** within a second. */
bool process_ended(pid_t pid)
{
    for (int i = 0; i < 100; i++) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidText, name, state;
        if (!(stat >> pidText >> name >> state) || state == "Z")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

/* A fresh directory with asi.ini naming the canned driver (and a few
** broken environments), opened as the engine's store. */
class ApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = pv_make_scratch_dir("pv_api_").string();
        /* A driver that never attaches, with a helper process of its own. */
        std::ofstream(dir + "/hang.sh") << "#!/bin/sh\nsleep 30 &\necho $! > " << dir
                                        << "/helper.pid\nwait\n";
        chmod((dir + "/hang.sh").c_str(), 0755);
        std::ofstream(dir + "/asi.ini") << "[ENVIRONMENTS]\nCANNED=\n\n[CANNED]\nDriver=" PV_CANNED_DRIVER
                                           "\n[HANG]\nDriver=hang.sh\n[QUIT]\nDriver=/bin/false\n"
                                           "[NODRIVER]\nPETRIVEX=/tmp\n";
        ASSERT_EQ(asi_init(), 1);
        ASSERT_EQ(asi_cfg_open((dir + "/asi.ini").c_str(), &cfg), 1);
    }

    void TearDown() override
    {
        asi_cfg_close(&cfg);
        asi_term();
        std::string cmd = "rm -rf " + dir;
        (void)std::system(cmd.c_str());
    }

    /* A connection to CANNED. */
    CAsiConnection *connect()
    {
        CAsiConnection *c = nullptr;
        EXPECT_EQ(asi_alloc_connection(&c), 1);
        EXPECT_EQ(asi_connect(c, "CANNED", "geologist", "secret"), 1) << text(c);
        return c;
    }

    /* A cursor opened on a query. */
    CAsiCursor *query(CAsiConnection *c, CAsiStatement **s, const char *sql)
    {
        CAsiCursor *k = nullptr;
        EXPECT_EQ(asi_alloc_stmt(s), 1);
        EXPECT_EQ(asi_prepare(*s, c, sql), 1) << text(*s);
        EXPECT_EQ(asi_diag_dynamic_function(*s), ASI_FUNC_CURSOR_SPEC);
        EXPECT_EQ(asi_alloc_cursor(&k), 1);
        EXPECT_EQ(asi_declare_cursor(k, *s, "QWERTYUIOPASDFGHJ"), 1) << text(k);
        EXPECT_EQ(asi_open_cursor(k), 1) << text(k);
        return k;
    }

    /* The first condition's text of a handle. */
    static std::string text(const CAsiHandle *h)
    {
        char buf[512] = "";
        asi_diag_cond_text(h, 0, buf, sizeof buf);
        return buf;
    }

    /* BASENUMBER of the cursor's current row. */
    static long basenumber(CAsiCursor *k)
    {
        std::int32_t n = -1;
        unsigned short ind = 7;
        EXPECT_EQ(asi_value_get(k, 0, ASI_HOST_LONG, &n, sizeof n, &ind), 1);
        return n;
    }

    std::string dir;            /* scratch directory */
    CAsiCfgHandle *cfg = nullptr; /* the store */
};

TEST_F(ApiTest, QueryRoundTripFillsBoundBuffersAndEndsWithNoData)
{
    CAsiConnection *c = connect();
    ASSERT_EQ(asi_set_catalog(c, "/data/projects"), 1);
    ASSERT_EQ(asi_set_schema(c, "GEOLOGY"), 1);
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM ROCK");
    int cols = asi_column_count(s);
    ASSERT_GE(cols, 3);
    int dip = cols - 2, amount = cols - 1;

    std::int32_t id = 0;
    double d = 0;
    char amt[32];
    unsigned short idInd = 9, dInd = 9, aInd = 9;
    ASSERT_EQ(asi_bind_column(k, 0, ASI_HOST_LONG, &id, sizeof id, &idInd), 1);
    ASSERT_EQ(asi_bind_column(k, dip, ASI_HOST_DOUBLE, &d, sizeof d, &dInd), 1);
    ASSERT_EQ(asi_bind_column(k, amount, ASI_HOST_STRING, amt, sizeof amt, &aInd), 1);
    int rows = 0;
    while (asi_fetch_next(k)) {
        rows++;
        EXPECT_EQ(id, rows);
        EXPECT_EQ(idInd, 0);
        if (rows % 5 == 0) {
            EXPECT_EQ(dInd, ASI_NULL_INDICATOR) << "row " << rows;
        } else {
            EXPECT_EQ(dInd, 0);
            EXPECT_DOUBLE_EQ(d, rows * 1.5);
        }
        char want[32];
        std::snprintf(want, sizeof want, "%d.25", rows * 10);
        EXPECT_STREQ(amt, want);
    }
    EXPECT_EQ(rows, 25);
    ASSERT_EQ(asi_diag_count(k), 1);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_STATE_NO_DATA);
    EXPECT_EQ(asi_close_cursor(k), 1);
    EXPECT_EQ(asi_free_cursor(&k), 1);
    EXPECT_EQ(k, nullptr);
    EXPECT_EQ(asi_free_stmt(&s), 1);
    EXPECT_EQ(asi_disconnect(c), 1);
    EXPECT_EQ(asi_free_connection(&c), 1);
}

TEST_F(ApiTest, SelectIsDescribedWithoutBeingRun)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    /* SLOW hangs only when its rows are fetched: describing must not. */
    ASSERT_EQ(asi_prepare(s, c, "SELECT * FROM SLOW"), 1);
    ASSERT_EQ(asi_diag_dynamic_function(s), ASI_FUNC_CURSOR_SPEC);
    int n = asi_column_count(s);
    ASSERT_GE(n, 3);
    char name[32];
    ASSERT_EQ(asi_column_name(s, 0, name, sizeof name), 1);
    EXPECT_STREQ(name, "BASENUMBER");
    int type = 0, nullable = -1, precision = 0, scale = 0;
    ASSERT_EQ(asi_column_type(s, 0, &type, nullptr, nullptr, nullptr, &nullable), 1);
    EXPECT_EQ(type, ASI_TYPE_INTEGER);
    EXPECT_EQ(nullable, 0);
    ASSERT_EQ(asi_column_type(s, n - 2, &type, nullptr, nullptr, nullptr, &nullable), 1);
    EXPECT_EQ(type, ASI_TYPE_DOUBLE);
    EXPECT_EQ(nullable, 1);
    ASSERT_EQ(asi_column_type(s, n - 1, &type, nullptr, &precision, &scale, nullptr), 1);
    EXPECT_EQ(type, ASI_TYPE_NUMERIC);
    EXPECT_EQ(precision, 10);
    EXPECT_EQ(scale, 2);

    CAsiColumn col;
    ASSERT_EQ(asi_get_column(s, n - 2, &col), 1);
    ASSERT_NE(col.value(), nullptr);
    EXPECT_EQ(col.value()->typeCode(), ASI_TYPE_DOUBLE);
    EXPECT_TRUE(col.value()->isNull());
    CAsiData *described = nullptr;
    ASSERT_EQ(s->describeColumn(n - 1, &described), 1);
    EXPECT_EQ(described->typeCode(), ASI_TYPE_NUMERIC);
    delete described;

    /* Out of range: 07009, and a query is not executed as a statement. */
    EXPECT_EQ(asi_get_column(s, n, &col), 0);
    EXPECT_EQ(asi_diag_cond_code(s, 0), ASI_STATE_BAD_INDEX);
    EXPECT_EQ(asi_execute(s, nullptr), 0);
    EXPECT_EQ(asi_diag_cond_code(s, 0), ASI_STATE_NOT_CURSOR);
    EXPECT_EQ(asi_deallocate(s), 1);
    EXPECT_EQ(asi_column_count(s), -1);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

/* Freeing a statement costs no round trip: its release reaches the driver
 * with the next request, ahead of it, which then finds itself alone
 * prepared. */
TEST_F(ApiTest, FreedStatementsAreReleasedWithTheNextRequest)
{
    CAsiConnection *c = connect();
    CAsiStatement *freed[3] = {};
    for (CAsiStatement *&s : freed)
        ASSERT_TRUE(asi_alloc_stmt(&s) && asi_prepare(s, c, "SELECT * FROM ROCK")) << text(s);
    long before = c->requestCount();
    for (CAsiStatement *&s : freed)
        asi_free_stmt(&s);
    EXPECT_EQ(c->requestCount(), before);
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM PREPARED");
    ASSERT_EQ(asi_fetch_next(k), 1) << text(k);
    EXPECT_EQ(basenumber(k), 1);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_disconnect(c);
    asi_free_connection(&c);
}

TEST_F(ApiTest, CursorScrollsBothWaysAndToAbsoluteRows)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM ROCK");
    ASSERT_EQ(asi_fetch_last(k), 1);
    EXPECT_EQ(basenumber(k), 25);
    ASSERT_EQ(asi_fetch_prior(k), 1);
    EXPECT_EQ(basenumber(k), 24);
    ASSERT_EQ(asi_fetch_first(k), 1);
    EXPECT_EQ(basenumber(k), 1);
    EXPECT_EQ(asi_fetch_prior(k), 0) << "before the first row";
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_STATE_NO_DATA);
    EXPECT_EQ(asi_value(k, 0), nullptr) << "no current row";
    ASSERT_EQ(asi_fetch_next(k), 1);
    EXPECT_EQ(basenumber(k), 1);
    ASSERT_EQ(asi_fetch_absolute(k, 10), 1);
    EXPECT_EQ(basenumber(k), 10);
    ASSERT_EQ(asi_fetch_relative(k, -3), 1);
    EXPECT_EQ(basenumber(k), 7);
    ASSERT_EQ(asi_fetch_absolute(k, -1), 1);
    EXPECT_EQ(basenumber(k), 25);
    EXPECT_EQ(asi_fetch_relative(k, 5), 0) << "beyond the last row";
    ASSERT_EQ(asi_fetch_prior(k), 1);
    EXPECT_EQ(basenumber(k), 25);
    EXPECT_EQ(asi_fetch_absolute(k, 26), 0);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

TEST_F(ApiTest, DriverConditionsKeepNativeCodeAndSqlstate)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    EXPECT_EQ(asi_prepare(s, c, "SELEC * FROM ROCK"), 0);
    ASSERT_EQ(asi_diag_count(s), 1);
    EXPECT_EQ(asi_diag_cond_code(s, 0), 14215);
    char state[6];
    ASSERT_EQ(asi_diag_cond_sqlstate(s, 0, state), 1);
    EXPECT_STREQ(state, "42000");
    EXPECT_NE(text(s).find("syntax error"), std::string::npos) << text(s);
    EXPECT_EQ(asi_diag_dynamic_function(s), 0) << "nothing is prepared after a failure";
    EXPECT_EQ(asi_diag_cond_code(s, 0), ASI_STATE_NOT_PREPARED);

    /* The connection stays usable, and a refused logon leaves none. */
    EXPECT_EQ(asi_prepare(s, c, "SELECT * FROM ROCK"), 1);
    EXPECT_EQ(asi_set_schema(c, "BAD"), 0);
    EXPECT_EQ(asi_diag_cond_sqlstate(c, 0, state), 1);
    EXPECT_STREQ(state, "3F000");
    CAsiConnection *bad = nullptr;
    ASSERT_EQ(asi_alloc_connection(&bad), 1);
    EXPECT_EQ(asi_connect(bad, "CANNED", "nobody", ""), 0);
    EXPECT_EQ(asi_diag_cond_code(bad, 0), 14300);
    EXPECT_EQ(asi_disconnect(bad), 0);
    EXPECT_EQ(asi_diag_cond_code(bad, 0), ASI_STATE_NO_CONNECTION);
    EXPECT_EQ(asi_connect(bad, "CANNED", "geologist", ""), 1);
    asi_free_connection(&bad);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

TEST_F(ApiTest, ParametersTravelToTheDriverAndMissingOnesAreRefused)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    ASSERT_EQ(asi_prepare(s, c, "INSERT INTO ROCK (DIP, BASENUMBER) VALUES (?, ?)"), 1);
    EXPECT_NE(asi_diag_dynamic_function(s), ASI_FUNC_CURSOR_SPEC);
    long rows = 0;
    EXPECT_EQ(asi_execute(s, &rows), 0);
    EXPECT_EQ(asi_diag_cond_code(s, 0), ASI_STATE_PARAMS);
    double dip = 42.5;
    std::int32_t id = 7001;
    ASSERT_EQ(asi_bind_param(s, 0, ASI_TYPE_DOUBLE, ASI_HOST_DOUBLE, &dip, sizeof dip, nullptr), 1);
    ASSERT_EQ(asi_bind_param(s, 1, ASI_TYPE_INTEGER, ASI_HOST_LONG, &id, sizeof id, nullptr), 1);
    EXPECT_EQ(asi_bind_param(s, 2, ASI_TYPE_INTEGER, ASI_HOST_LONG, &id, sizeof id, nullptr), 0);
    ASSERT_EQ(asi_execute(s, &rows), 1) << text(s);
    EXPECT_EQ(rows, 1);

    CAsiStatement *q = nullptr;
    CAsiCursor *k = query(c, &q, "SELECT * FROM PARAMS");
    ASSERT_EQ(asi_fetch_next(k), 1);
    double got = 0;
    std::int32_t gotId = 0;
    ASSERT_EQ(asi_value_get(k, 0, ASI_HOST_DOUBLE, &got, sizeof got, nullptr), 1);
    ASSERT_EQ(asi_value_get(k, 1, ASI_HOST_LONG, &gotId, sizeof gotId, nullptr), 1);
    EXPECT_DOUBLE_EQ(got, 42.5);
    EXPECT_EQ(gotId, 7001);
    asi_free_cursor(&k);
    asi_free_stmt(&q);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

TEST_F(ApiTest, RowsLargerThanTheChannelArriveWhole)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM WIDE");
    ASSERT_EQ(asi_column_count(s), 40);
    for (int row = 1; row <= 3; row++) {
        ASSERT_EQ(asi_fetch_next(k), 1) << text(k);
        for (int i = 0; i < 40; i += 13) {
            const CAsiData *v = asi_value(k, i);
            ASSERT_NE(v, nullptr);
            ASSERT_EQ(v->dataSize(), 4000);
            unsigned char last = 0;
            ASSERT_EQ(v->getData(&last, 3999, 1), 1);
            EXPECT_EQ(last, (unsigned char)((row * 40 + i) & 0xFF));
        }
    }
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

TEST_F(ApiTest, DamagedRowsGiveConditionsAndTheCursorGoesOn)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM BROKEN");
    EXPECT_EQ(asi_fetch_next(k), 0) << "a row short of a value";
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_ERR_DRIVER_REPLY) << text(k);
    EXPECT_EQ(asi_value(k, 0), nullptr);
    EXPECT_EQ(asi_fetch_next(k), 0) << "a value of an unknown type";
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_ERR_NO_VALUE_CLASS) << text(k);
    ASSERT_EQ(asi_fetch_next(k), 1) << text(k);
    EXPECT_EQ(basenumber(k), 3);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

/* In a block of rows a damaged row fails its own fetch only: the rows
 * around it, held in the same block, arrive, forward and backward. */
TEST_F(ApiTest, DamagedRowInABlockFailsOnlyItsOwnFetch)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM BLOCKS");
    std::string seen;
    for (int n = 1; n <= 7; n++) {
        if (asi_fetch_next(k)) {
            seen += std::to_string(basenumber(k)) + " ";
        } else {
            EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_ERR_DRIVER_REPLY) << n << " " << text(k);
            EXPECT_EQ(asi_value(k, 0), nullptr);
            seen += "x ";
        }
    }
    EXPECT_EQ(seen, "1 2 3 x 5 x 7 ");
    seen.clear();
    EXPECT_EQ(asi_fetch_relative(k, -1), 0);
    for (int n = 5; n >= 2; n--)
        seen += asi_fetch_prior(k) ? std::to_string(basenumber(k)) + " " : "x ";
    EXPECT_EQ(seen, "5 x 3 2 ");
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

/* What one row gives an application: the buffers bound to each column
 * (a name cut to five characters), the conditions of the fetch, and each
 * value asked for afterwards into a text buffer and then as its value. */
struct bound_row {
    std::int32_t basenumber = 0;
    char name[6] = "";
    double dip = 0, amount = 0;
    unsigned short ind[4] = {7, 7, 7, 7};

    void bind(CAsiCursor *k)
    {
        EXPECT_EQ(asi_bind_column(k, 0, ASI_HOST_LONG, &basenumber, sizeof basenumber, &ind[0]), 1);
        EXPECT_EQ(asi_bind_column(k, 1, ASI_HOST_STRING, name, sizeof name, &ind[1]), 1);
        EXPECT_EQ(asi_bind_column(k, 2, ASI_HOST_DOUBLE, &dip, sizeof dip, &ind[2]), 1);
        EXPECT_EQ(asi_bind_column(k, 3, ASI_HOST_DOUBLE, &amount, sizeof amount, &ind[3]), 1);
    }

    std::string seen(CAsiCursor *k, int fetched) const
    {
        char out[512];
        std::snprintf(out, sizeof out, "%d %s %.17g %.17g ind %u %u %u %u conds", (int)basenumber, name, dip, amount,
                      ind[0], ind[1], ind[2], ind[3]);
        std::string s = fetched ? out : "no row";
        for (int i = 0; i < asi_diag_count(k); i++) s += " " + std::to_string(asi_diag_cond_code(k, i));
        for (int i = 0; fetched && i < 4; i++) {
            char text[64] = "";
            unsigned short ind = 7;
            asi_value_get(k, i, ASI_HOST_STRING, text, sizeof text, &ind);
            const CAsiData *v = asi_value(k, i);
            char own[64] = "";
            if (v && !v->isNull())
                v->getText(own, sizeof own - 1);
            s += std::string(" [") + text + "|" + own + "]";
        }
        return s;
    }
};

/* Rows whose values come plain in a block give the application what the
 * same rows give as value records, in either direction; a plain value its
 * column does not take fails its row only, and a row mixing plain values
 * and a value record reads whole. */
TEST_F(ApiTest, PlainRowsInABlockReadAsValueRecordsDo)
{
    if (!asi_value_known(ASI_TYPE_CHAR, 0))
        GTEST_SKIP() << "the canned rows carry names only with character values";
    CAsiConnection *c = connect();
    CAsiStatement *sp = nullptr, *sr = nullptr;
    CAsiCursor *plain = query(c, &sp, "SELECT * FROM PLAIN");
    CAsiCursor *rock = query(c, &sr, "SELECT * FROM ROCK");
    bound_row a, b;
    a.bind(plain);
    b.bind(rock);
    auto compare = [&](int (*move)(CAsiCursor *), const char *how, int n) {
        int got = move(plain), want = move(rock);
        std::string seen = a.seen(plain, got);
        if (n == 4) {
            EXPECT_EQ(got, 0);
            EXPECT_EQ(asi_diag_cond_code(plain, 0), ASI_ERR_DRIVER_REPLY) << seen;
        } else if (n == 8) {
            ASSERT_EQ(got, 1) << seen;
            EXPECT_NE(seen.find("ROCK008\xE9"), std::string::npos) << seen;
        } else {
            EXPECT_EQ(seen, b.seen(rock, want)) << how << " to row " << n;
        }
    };
    for (int n = 1; n <= 10; n++)
        compare(asi_fetch_next, "next", n);
    for (int n = 9; n >= 2; n--)
        compare(asi_fetch_prior, "prior", n);
    asi_free_cursor(&plain);
    asi_free_cursor(&rock);
    asi_free_stmt(&sp);
    asi_free_stmt(&sr);
    asi_free_connection(&c);
}

TEST_F(ApiTest, ConnectionsShareOneDriverPerEnvironment)
{
    CAsiConnection *a = connect(), *b = connect();
    pid_t pid = asi_driver_pid("canned");
    EXPECT_GT(pid, 0);
    CAsiStatement *sa = nullptr, *sb = nullptr;
    CAsiCursor *ka = query(a, &sa, "SELECT * FROM ROCK");
    CAsiCursor *kb = query(b, &sb, "SELECT * FROM ROCK");
    ASSERT_EQ(asi_fetch_last(ka), 1);
    ASSERT_EQ(asi_fetch_next(kb), 1);
    EXPECT_EQ(basenumber(ka), 25);
    EXPECT_EQ(basenumber(kb), 1);
    EXPECT_EQ(asi_driver_pid("CANNED"), pid);
    /* Freeing the connection first leaves the handles on it failing. */
    asi_free_connection(&a);
    EXPECT_EQ(asi_fetch_next(ka), 0);
    EXPECT_EQ(asi_diag_cond_code(ka, 0), ASI_STATE_CURSOR);
    asi_free_cursor(&ka);
    asi_free_stmt(&sa);
    asi_free_cursor(&kb);
    asi_free_stmt(&sb);
    asi_free_connection(&b);
}

TEST_F(ApiTest, DriverKilledBetweenFetchesFailsAndTheNextConnectStartsAnother)
{
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM ROCK");
    ASSERT_EQ(asi_fetch_next(k), 1);
    pid_t old = asi_driver_pid("CANNED");
    ASSERT_GT(old, 0);
    kill(old, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int fetched = 1;
    while (fetched < 30 && asi_fetch_next(k))
        fetched++;
    EXPECT_LT(fetched, 30);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_ERR_DRIVER_LOST) << text(k);

    CAsiConnection *again = connect();
    pid_t fresh = asi_driver_pid("CANNED");
    EXPECT_GT(fresh, 0);
    EXPECT_NE(fresh, old);
    CAsiStatement *s2 = nullptr;
    CAsiCursor *k2 = query(again, &s2, "SELECT * FROM ROCK");
    EXPECT_EQ(asi_fetch_absolute(k2, 3), 1);
    EXPECT_EQ(basenumber(k2), 3);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    EXPECT_EQ(asi_disconnect(c), 1) << "a gone driver ends the session quietly";
    asi_free_connection(&c);
    asi_free_cursor(&k2);
    asi_free_stmt(&s2);
    asi_free_connection(&again);
}

TEST_F(ApiTest, DriverDyingWhileTheEngineWaitsIsNoticedAtOnceWhateverTheSlice)
{
    constexpr int HOUR_MS = 3600 * 1000;
    asi_set_wait_slice(HOUR_MS);   /* only a look between slices would wait an hour */
    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = query(c, &s, "SELECT * FROM SLOW");
    ASSERT_EQ(asi_fetch_next(k), 1);
    ASSERT_EQ(asi_fetch_next(k), 1);
    pid_t pid = asi_driver_pid("CANNED");
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, SIGKILL);
    });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(asi_fetch_next(k), 0) << "the third row hangs until the driver dies";
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    killer.join();
    asi_set_wait_slice(0);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_ERR_DRIVER_LOST);
    EXPECT_LT(waited, 2.0) << "the fetch ends soon after the kill at 0.3 s";
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_free_connection(&c);
}

TEST_F(ApiTest, DriverWhoseEngineIsKilledEndsByItselfEvenInTheMiddleOfAStatement)
{
    std::string pidFile = dir + "/driver.pid";
    pid_t engine = fork();
    ASSERT_GE(engine, 0);
    if (engine == 0) {
        /* The engine: starts the driver, sets it working on the row that
        ** hangs, and is killed while it waits. */
        CAsiConnection *c = connect();
        CAsiStatement *s = nullptr;
        CAsiCursor *k = query(c, &s, "SELECT * FROM SLOW");
        asi_fetch_next(k);
        asi_fetch_next(k);
        std::ofstream(pidFile) << asi_driver_pid("CANNED") << "\n";
        asi_fetch_next(k);
        _exit(0);
    }
    pid_t driver = 0;
    for (int i = 0; i < 500 && driver <= 0; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream(pidFile) >> driver;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));   /* the third fetch is under way */
    kill(engine, SIGKILL);
    waitpid(engine, nullptr, 0);
    ASSERT_GT(driver, 0) << "the engine did not start its driver";
    EXPECT_TRUE(process_ended(driver)) << "the driver outlives its engine";
    if (!process_ended(driver))
        kill(driver, SIGKILL);
}

TEST_F(ApiTest, DriversThatCannotStartGiveConditionsNotHangs)
{
    CAsiConnection *c = nullptr;
    ASSERT_EQ(asi_alloc_connection(&c), 1);
    EXPECT_EQ(asi_connect(c, "QUIT", "", ""), 0);
    EXPECT_EQ(asi_diag_cond_code(c, 0), ASI_ERR_DRIVER_LOST) << text(c);
    EXPECT_EQ(asi_connect(c, "NODRIVER", "", ""), 0);
    EXPECT_EQ(asi_diag_cond_code(c, 0), ASI_ERR_DRIVER_CONFIG);
    EXPECT_EQ(asi_connect(c, "NOSUCHENV", "", ""), 0);
    EXPECT_EQ(asi_diag_cond_code(c, 0), ASI_ERR_DRIVER_CONFIG);

    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(asi_connect(c, "HANG", "", ""), 0);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(asi_diag_cond_code(c, 0), ASI_ERR_DRIVER_LOST) << text(c);
    EXPECT_GE(waited, ASI_START_TIMEOUT_MS / 1000.0 - 0.5);
    EXPECT_LT(waited, ASI_START_TIMEOUT_MS / 1000.0 + 2.0);
    EXPECT_EQ(asi_driver_pid("HANG"), 0);
    pid_t helper = 0;
    std::ifstream(dir + "/helper.pid") >> helper;
    ASSERT_GT(helper, 0);
    EXPECT_TRUE(process_ended(helper)) << "the abandoned driver's helper still runs";
    EXPECT_EQ(asi_connect(c, "CANNED", "", ""), 1) << "the handle is still good";
    asi_free_connection(&c);
}

TEST_F(ApiTest, MisuseAnswersZeroWithAConditionNeverACrash)
{
    EXPECT_EQ(asi_connect(nullptr, "CANNED", "", ""), 0);
    EXPECT_EQ(asi_diag_cond_code(asi_env_handle(), 0), ASI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(asi_fetch_next(nullptr), 0);
    EXPECT_EQ(asi_free_stmt(nullptr), 0);
    EXPECT_EQ(asi_column_count(nullptr), -1);
    EXPECT_EQ(asi_diag_count(nullptr), 0);

    CAsiConnection *c = connect();
    CAsiStatement *s = nullptr;
    CAsiCursor *k = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    ASSERT_EQ(asi_alloc_cursor(&k), 1);
    EXPECT_EQ(asi_open_cursor(k), 0);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_STATE_CURSOR);
    EXPECT_EQ(asi_declare_cursor(k, s, "ABC"), 0);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_STATE_NOT_PREPARED);
    ASSERT_EQ(asi_prepare(s, c, "DELETE FROM ROCK"), 1);
    EXPECT_EQ(asi_declare_cursor(k, s, "ABC"), 0);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_STATE_NOT_CURSOR);
    EXPECT_EQ(asi_prepare(s, c, nullptr), 0);
    ASSERT_EQ(asi_prepare(s, c, "SELECT * FROM ROCK"), 1);
    ASSERT_EQ(asi_declare_cursor(k, s, "ABC"), 1);
    EXPECT_EQ(asi_fetch_next(k), 0);
    EXPECT_EQ(asi_diag_cond_code(k, 0), ASI_STATE_CURSOR);
    double d;
    EXPECT_EQ(asi_bind_column(k, 0, 9, &d, sizeof d, nullptr), 0);
    EXPECT_EQ(asi_bind_column(k, 99, ASI_HOST_DOUBLE, &d, sizeof d, nullptr), 0);
    EXPECT_EQ(asi_bind_column(k, 0, ASI_HOST_DOUBLE, &d, 2, nullptr), 0);
    asi_free_cursor(&k);
    asi_free_stmt(&s);
    asi_free_connection(&c);

    /* After asi_term every call fails cleanly until asi_init. */
    asi_term();
    CAsiConnection *late = nullptr;
    EXPECT_EQ(asi_alloc_connection(&late), 0);
    EXPECT_EQ(asi_diag_cond_code(asi_env_handle(), 0), ASI_ERR_NOT_INITIALISED);
    asi_init();
}

TEST_F(ApiTest, TermEndsTheDriversAndInitStartsAfresh)
{
    CAsiConnection *c = connect();
    pid_t pid = asi_driver_pid("CANNED");
    ASSERT_GT(pid, 0);
    ASSERT_EQ(asi_term(), 1);
    EXPECT_EQ(kill(pid, 0), -1) << "the driver has ended and been reaped";
    EXPECT_EQ(asi_driver_pid("CANNED"), 0);
    EXPECT_EQ(asi_set_schema(c, "GEOLOGY"), 0);
    EXPECT_EQ(asi_diag_cond_code(c, 0), ASI_ERR_NOT_INITIALISED);
    ASSERT_EQ(asi_init(), 1);
    EXPECT_EQ(asi_set_schema(c, "GEOLOGY"), 0) << "the old session went with its driver";
    EXPECT_EQ(asi_diag_cond_code(c, 0), ASI_ERR_DRIVER_LOST);
    EXPECT_EQ(asi_free_connection(&c), 1);
    CAsiConnection *again = connect();
    EXPECT_NE(asi_driver_pid("CANNED"), pid);
    asi_free_connection(&again);
}

TEST_F(ApiTest, ValueFactoryRefusesUnknownTypesWithACondition)
{
    EXPECT_TRUE(asi_value_known(ASI_TYPE_DOUBLE, 0));
    EXPECT_TRUE(asi_value_known(ASI_TYPE_NUMERIC, 0));
    EXPECT_FALSE(asi_value_known(99, 0));
    EXPECT_FALSE(asi_value_known(ASI_TYPE_DATETIME, 42));
    CAsiStatement *s = nullptr;
    ASSERT_EQ(asi_alloc_stmt(&s), 1);
    unsigned short ind = 0;
    double d = 1;
    EXPECT_EQ(asi_bind_param(s, 0, 99, ASI_HOST_DOUBLE, &d, sizeof d, &ind), 0);
    EXPECT_EQ(asi_diag_cond_code(s, 0), ASI_ERR_NO_VALUE_CLASS);
    asi_free_stmt(&s);
}

} // namespace
