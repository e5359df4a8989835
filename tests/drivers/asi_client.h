/*
 * asi_client.h: what the driver tests that go through the engine's C
 * interface share: a connection, statements run with their first
 * condition kept, and queries read back as "a|b" lines (NULL as "~",
 * trailing blanks dropped), whatever driver serves the environment.
 */
#ifndef PV_TESTS_DRIVERS_ASI_CLIENT_H
#define PV_TESTS_DRIVERS_ASI_CLIENT_H

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/driver_peak.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_cursor.h"

class AsiClientTest : public ::testing::Test {
protected:
    /* The first condition's text and SQLSTATE of a handle ("" when none). */
    static std::string text(const CAsiHandle *h)
    {
        char buf[1024] = "";
        if (h) asi_diag_cond_text(h, 0, buf, sizeof buf);
        return buf;
    }
    static std::string sqlstate(const CAsiHandle *h)
    {
        char s[6] = "";
        if (h) asi_diag_cond_sqlstate(h, 0, s);
        return s;
    }

    /* Prepares and executes a statement that is not a query; answers 1,
     * or 0 with the first condition's code, SQLSTATE and text kept. */
    int exec(const std::string &sql, long *rows = nullptr)
    {
        CAsiStatement *s = nullptr;
        EXPECT_EQ(asi_alloc_stmt(&s), 1);
        int ok = asi_prepare(s, c, sql.c_str()) && asi_execute(s, rows);
        code = ok ? 0 : asi_diag_cond_code(s, 0);
        state = ok ? "" : sqlstate(s);
        last_text = ok ? "" : text(s);
        asi_free_stmt(&s);
        return ok;
    }

    /* The rows of a query as "a|b" lines, read as strings. */
    std::string query(const std::string &sql)
    {
        CAsiStatement *s = nullptr;
        CAsiCursor *k = nullptr;
        EXPECT_EQ(asi_alloc_stmt(&s), 1);
        EXPECT_EQ(asi_prepare(s, c, sql.c_str()), 1) << sql << ": " << text(s);
        EXPECT_EQ(asi_diag_dynamic_function(s), ASI_FUNC_CURSOR_SPEC) << sql;
        EXPECT_EQ(asi_alloc_cursor(&k), 1);
        EXPECT_EQ(asi_declare_cursor(k, s, "QWERTYUIOPASDFGHJ"), 1);
        EXPECT_EQ(asi_open_cursor(k), 1) << text(k);
        std::string out;
        int n = asi_column_count(s);
        while (asi_fetch_next(k)) out += row(k, n);
        asi_close_cursor(k);
        asi_free_cursor(&k);
        asi_free_stmt(&s);
        return out;
    }

    /* The current row of a cursor's first n columns as one "a|b" line. */
    static std::string row(CAsiCursor *k, int n)
    {
        std::string out;
        for (int i = 0; i < n; i++) {
            char buf[300] = "";
            unsigned short ind = 0;
            asi_value_get(k, i, ASI_HOST_STRING, buf, sizeof buf, &ind);
            std::string v = ind == ASI_NULL_INDICATOR ? "~" : buf;
            while (!v.empty() && v.back() == ' ') v.pop_back();
            out += (i ? "|" : "") + v;
        }
        return out + "\n";
    }

    CAsiConnection *c = nullptr;  /* the test's connection */
    int code = 0;                 /* first condition's code of the last exec, 0 when it ran */
    std::string state;            /* its SQLSTATE, "" when it ran */
    std::string last_text;        /* its text, "" when it ran */
};

#endif /* PV_TESTS_DRIVERS_ASI_CLIENT_H */
